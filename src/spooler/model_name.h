#pragma once

#include <string_view>

namespace qar {

// A model name goes into file paths and registry key paths: it must be non-empty and must
// not be able to leave its folder or key.
bool IsAcceptableModelName(std::string_view name);

}  // namespace qar
