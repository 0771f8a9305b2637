// What an open file or folder is, read from its handle: a path can change after it was looked at,
// the object a handle holds cannot.
#pragma once

#include <windows.h>

#include "platform/files.h"
#include "platform/result.h"

namespace qar::win32 {

// The handle needs FILE_READ_ATTRIBUTES and READ_CONTROL.
Result<HandleFacts> FactsOfHandle(HANDLE handle);

// The kind of what `path` names, its last step not followed; kMissing when nothing is there.
Result<PathKind> KindAtPath(const std::string& path);

}  // namespace qar::win32
