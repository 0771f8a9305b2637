// The serial ports listed in the registry's serial-port map, as port names with a colon.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/user_interface.h"

namespace qar {

inline constexpr std::string_view kSerialPortMapKey = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

// Appends to portList; 1 on success (or the fallback pair when the map is missing), 0 after
// showing why not in a box owned by `owner`.
int ListLocalPorts(Registry& registry, UserInterface& ui, WindowRef owner,
                   std::vector<std::string>& portList);

}  // namespace qar
