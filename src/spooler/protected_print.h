// Windows protected print mode (Windows 11 24H2 and later), which lets no printer driver but
// Windows' own be added: a driver refused there needs words an administrator can act on.
#pragma once

#include <string_view>

#include "platform/registry.h"

namespace qar {

inline constexpr std::string_view kProtectedPrintAdvice =
    "Windows protected print mode is on: it lets no printer driver but Windows' own be added. "
    "An administrator can turn it off (Settings > Bluetooth & devices > Printers & scanners, or "
    "the policy Computer Configuration > Administrative Templates > Printers > \"Configure "
    "Windows protected print\") and then run this installation again.";

// Set by the policy or by the switch in Settings; read in the 64-bit view, where Windows keeps it.
bool ProtectedPrintModeOn(Registry& registry);

}  // namespace qar
