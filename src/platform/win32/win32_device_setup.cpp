#include "platform/win32/win32_device_setup.h"

#include <windows.h>
#include <setupapi.h>

#include <cstring>
#include <vector>

#include "platform/win32/handle_traits.h"
#include "platform/win32/system_functions.h"
#include "platform/win32/win32_registry.h"

namespace qar::win32 {

namespace {

GUID ToGuid(const Guid& guid) {
    GUID result{};
    result.Data1 = guid.data1;
    result.Data2 = guid.data2;
    result.Data3 = guid.data3;
    std::memcpy(result.Data4, guid.data4.data(), sizeof(result.Data4));
    return result;
}

class Win32DeviceInterfaceSet final : public DeviceInterfaceSet {
  public:
    Win32DeviceInterfaceSet(UniqueDeviceInfoSet set, const GUID& interfaceClass)
        : set_(std::move(set)), class_(interfaceClass) {}

    Win32Error EnumInterface(std::uint32_t index) override {
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof(data);
        if (const Win32Error failed = Called(SetupApi::SetupDiEnumDeviceInterfaces(), set_.Get(),
                                             nullptr, &class_, DWORD{index}, &data)) {
            return failed;
        }
        current_ = data;
        currentIndex_ = index;
        return win32_error::kSuccess;
    }

    Result<std::string> InterfacePath(std::uint32_t index) override {
        if (index != currentIndex_) return Failure{win32_error::kInvalidParameter};
        DWORD required = 0;
        const auto getDetail = SetupApi::SetupDiGetDeviceInterfaceDetailA();
        if (!getDetail) return Failure{LastError()};
        getDetail(set_.Get(), &current_, nullptr, 0, &required, nullptr);
        if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return Failure{LastError()};
        std::vector<std::uint8_t> buffer(required, 0);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (!getDetail(set_.Get(), &current_, detail, required, &required, nullptr)) {
            return Failure{LastError()};
        }
        const std::size_t offset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
        const char* path = detail->DevicePath;
        return std::string(path, strnlen(path, buffer.size() - offset));
    }

    Result<RegistryKeyPtr> OpenInterfaceKey(std::uint32_t index, RegistryAccess access) override {
        if (index != currentIndex_) return Failure{win32_error::kInvalidParameter};
        const auto openKey = SetupApi::SetupDiOpenDeviceInterfaceRegKey();
        if (!openKey) return Failure{LastError()};
        HKEY key = openKey(set_.Get(), &current_, 0, static_cast<REGSAM>(access));
        if (key == INVALID_HANDLE_VALUE) return Failure{LastError()};
        return RegistryKeyPtr(std::make_unique<Win32RegistryKey>(UniqueRegistryKey(key)));
    }

  private:
    UniqueDeviceInfoSet set_;
    GUID class_;
    SP_DEVICE_INTERFACE_DATA current_{};
    std::uint32_t currentIndex_ = UINT32_MAX;
};

}  // namespace

Result<std::unique_ptr<DeviceInterfaceSet>> Win32DeviceSetup::GetPresentInterfaces(
    const Guid& interfaceClass) {
    const GUID guid = ToGuid(interfaceClass);
    const auto getClassDevices = SetupApi::SetupDiGetClassDevsA();
    if (!getClassDevices) return Failure{LastError()};
    UniqueDeviceInfoSet set(
        getClassDevices(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!set) return Failure{LastError()};
    return std::unique_ptr<DeviceInterfaceSet>(
        std::make_unique<Win32DeviceInterfaceSet>(std::move(set), guid));
}

}  // namespace qar::win32
