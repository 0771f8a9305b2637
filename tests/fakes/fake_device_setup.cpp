#include "fakes/fake_device_setup.h"

namespace qar::fake {

namespace {

std::string InterfaceKeyPath(std::uint32_t index) {
    return "FAKE\\DeviceInterfaces\\" + std::to_string(index) + "\\Device Parameters";
}

class FakeDeviceInterfaceSet final : public DeviceInterfaceSet, private CountedHandle {
  public:
    FakeDeviceInterfaceSet(FakeControl& control, FakeRegistry& registry,
                           const std::vector<FakeInterface>& interfaces)
        : CountedHandle(control), registry_(registry), interfaces_(interfaces) {
        for (std::uint32_t index = 0; index < interfaces_.size(); ++index) {
            if (interfaces_[index].portNumber) {
                registry_.SetDwordValue(InterfaceKeyPath(index), "Port Number",
                                        *interfaces_[index].portNumber);
            }
        }
    }
    ~FakeDeviceInterfaceSet() override { control_.Record("SetupDiDestroyDeviceInfoList()"); }

    Win32Error EnumInterface(std::uint32_t index) override {
        control_.Record("SetupDiEnumDeviceInterfaces(" + std::to_string(index) + ")");
        if (auto failure = control_.InjectedFailure("SetupDiEnumDeviceInterfaces")) {
            return *failure;
        }
        if (index >= interfaces_.size()) return win32_error::kNoMoreItems;
        return interfaces_[index].enumError;
    }

    Result<std::string> InterfacePath(std::uint32_t index) override {
        control_.Record("SetupDiGetDeviceInterfaceDetail(" + std::to_string(index) + ")");
        if (auto failure = control_.InjectedFailure("SetupDiGetDeviceInterfaceDetail")) {
            return Failure{*failure};
        }
        if (index >= interfaces_.size()) return Failure{win32_error::kNoMoreItems};
        if (interfaces_[index].detailError) return Failure{interfaces_[index].detailError};
        return interfaces_[index].path;
    }

    Result<RegistryKeyPtr> OpenInterfaceKey(std::uint32_t index, RegistryAccess access) override {
        control_.Record("SetupDiOpenDeviceInterfaceRegKey(" + std::to_string(index) + ")");
        if (auto failure = control_.InjectedFailure("SetupDiOpenDeviceInterfaceRegKey")) {
            return Failure{*failure};
        }
        return registry_.OpenLocalMachineKey(InterfaceKeyPath(index), access);
    }

  private:
    FakeRegistry& registry_;
    const std::vector<FakeInterface>& interfaces_;
};

}  // namespace

Result<std::unique_ptr<DeviceInterfaceSet>> FakeDeviceSetup::GetPresentInterfaces(
    const Guid& interfaceClass) {
    control_.Record("SetupDiGetClassDevs()");
    if (auto failure = control_.InjectedFailure("SetupDiGetClassDevs")) return Failure{*failure};
    if (!(interfaceClass == expectedClass)) {
        return std::unique_ptr<DeviceInterfaceSet>(
            std::make_unique<FakeDeviceInterfaceSet>(control_, registry_, noInterfaces_));
    }
    return std::unique_ptr<DeviceInterfaceSet>(
        std::make_unique<FakeDeviceInterfaceSet>(control_, registry_, interfaces));
}

}  // namespace qar::fake
