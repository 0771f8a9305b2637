#pragma once

#include "platform/device_setup.h"

namespace qar::win32 {

class Win32DeviceSetup final : public DeviceSetup {
  public:
    Result<std::unique_ptr<DeviceInterfaceSet>> GetPresentInterfaces(
        const Guid& interfaceClass) override;
};

}  // namespace qar::win32
