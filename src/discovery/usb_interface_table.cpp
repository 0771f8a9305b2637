#include "discovery/usb_interface_table.h"

#include <cstring>
#include <string>

namespace qar {

namespace {

constexpr std::uint32_t kPortNumberBuffer = 256;

}  // namespace

CUsbIF::CUsbIF() = default;

bool CUsbIF::PassesVendorTest(std::string_view storedPath) {
    return storedPath.size() >= kVendorPosition + kMakerVendorId.size() &&
           storedPath.substr(kVendorPosition, kMakerVendorId.size()) == kMakerVendorId;
}

std::string_view CUsbIF::devicePath(int index) const {
    const auto& slot = devicePath_.at(Slot(index));
    return std::string_view(slot.data(), strnlen(slot.data(), slot.size()));
}

std::string_view CUsbIF::vendorId(int index) const {
    const auto& slot = vendorId_.at(Slot(index));
    return std::string_view(slot.data(), strnlen(slot.data(), slot.size()));
}

void CUsbIF::StoreSlot(int slot, std::string_view stored) {
    // The caller has checked that the path fits, so the terminator stays inside the slot.
    auto& pathSlot = devicePath_[Slot(slot)];
    std::memcpy(pathSlot.data(), stored.data(), stored.size());
    pathSlot[stored.size()] = '\0';
    auto& vendorSlot = vendorId_[Slot(slot)];
    std::memcpy(vendorSlot.data(), kMakerVendorId.data(), kMakerVendorId.size());
    // A device without a port number must not keep the one of whatever filled the slot before.
    portNumber_[Slot(slot)] = 0;
}

void CUsbIF::ReadPortNumber(DeviceInterfaceSet& set, std::uint32_t index, int slot) {
    auto key = set.OpenInterfaceKey(index, RegistryAccess::kRead);
    if (!key) return;
    auto value = (*key)->QueryValue("Port Number", kPortNumberBuffer);
    if (value && !value->empty()) portNumber_[Slot(slot)] = value->front();
}

int CUsbIF::EnumerateUsbPrinters(DeviceSetup& deviceSetup) {
    auto set = deviceSetup.GetPresentInterfaces(kUsbPrintInterfaceClass);
    if (!set) {
        deviceCount_ = 0;
        return 0;
    }
    int slot = 0;
    for (std::uint32_t index = 0; index < kSlots; ++index) {
        const Win32Error listed = (*set)->EnumInterface(index);
        if (listed == win32_error::kNoMoreItems) break;
        if (listed != win32_error::kSuccess) continue;
        auto path = (*set)->InterfacePath(index);
        if (!path) continue;
        // The path is a zero-terminated text; what follows a zero is not part of it. One too
        // long for its slot is dropped like an entry that cannot be described.
        const std::string_view text(path->c_str());
        if (text.size() > kLongestStoredPath || !PassesVendorTest(text)) continue;
        StoreSlot(slot, text);
        ReadPortNumber(**set, index, slot);
        ++slot;
    }
    deviceCount_ = slot;
    return deviceCount_;
}

Result<std::unique_ptr<DeviceFile>> CUsbIF::OpenUsbDevice(
    FileSystem& files, int index, std::optional<std::string_view> suffix) const {
    if (index < 0 || index >= kSlots) return Failure{win32_error::kInvalidParameter};
    std::string name(devicePath(index));
    if (suffix) {
        name.push_back('\\');
        name.append(*suffix);
    }
    if (name.size() > kLongestPath) return Failure{win32_error::kFilenameExceedsRange};
    return files.OpenDevice(name);
}

}  // namespace qar
