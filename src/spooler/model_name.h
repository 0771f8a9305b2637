#pragma once

#include <string_view>

#include "platform/files.h"

namespace qar {

// A model name goes into file paths and registry key paths: it must be non-empty, must not be
// able to leave its folder or key, and must neither name a Windows device (CON, NUL, COM1, ...,
// with any extension) nor hold a control character.
bool IsAcceptableModelName(const FileSystem& files, std::string_view name);

}  // namespace qar
