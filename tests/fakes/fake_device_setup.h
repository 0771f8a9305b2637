// Scripted device interfaces of one class.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fakes/fake_control.h"
#include "fakes/fake_registry.h"
#include "platform/device_setup.h"

namespace qar::fake {

struct FakeInterface {
    std::string path;
    std::optional<std::uint32_t> portNumber;  // the "Port Number" value, when present
    Win32Error enumError = win32_error::kSuccess;
    Win32Error detailError = win32_error::kSuccess;
};

class FakeDeviceSetup final : public DeviceSetup {
  public:
    FakeDeviceSetup(FakeControl& control, FakeRegistry& registry)
        : control_(control), registry_(registry) {}

    Result<std::unique_ptr<DeviceInterfaceSet>> GetPresentInterfaces(
        const Guid& interfaceClass) override;

    Guid expectedClass{};
    std::vector<FakeInterface> interfaces;

  private:
    FakeControl& control_;
    FakeRegistry& registry_;
    const std::vector<FakeInterface> noInterfaces_;
};

}  // namespace qar::fake
