// Device set-up services: the present interfaces of one device interface class.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/registry.h"
#include "platform/result.h"

namespace qar {

struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};
    friend bool operator==(const Guid&, const Guid&) = default;
};

// A device information set; destroying the object destroys the set.
class DeviceInterfaceSet {
  public:
    virtual ~DeviceInterfaceSet() = default;
    // 0 when an interface exists at index, 259 past the last one, another code on failure.
    virtual Win32Error EnumInterface(std::uint32_t index) = 0;
    virtual Result<std::string> InterfacePath(std::uint32_t index) = 0;
    virtual Result<RegistryKeyPtr> OpenInterfaceKey(std::uint32_t index, RegistryAccess access) = 0;
};

class DeviceSetup {
  public:
    virtual ~DeviceSetup() = default;
    virtual Result<std::unique_ptr<DeviceInterfaceSet>> GetPresentInterfaces(
        const Guid& interfaceClass) = 0;
};

}  // namespace qar
