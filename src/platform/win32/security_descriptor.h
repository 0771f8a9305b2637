// Security descriptors written in the system's string form (SDDL), for objects this program makes.
#pragma once

#include <windows.h>

#include <string_view>

#include "platform/result.h"
#include "platform/win32/handle_traits.h"

namespace qar::win32 {

// The descriptor lives as long as the returned memory; SECURITY_ATTRIBUTES may point into it.
Result<UniqueLocalMemory> SecurityDescriptor(std::string_view sddl);

}  // namespace qar::win32
