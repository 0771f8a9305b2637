// The maker's USB printer-class interfaces: a fixed table of 32 slots of path, vendor and port.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/device_setup.h"
#include "platform/files.h"

namespace qar {

inline constexpr Guid kUsbPrintInterfaceClass{
    0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};
inline constexpr std::string_view kMakerVendorId = "1a7e";

class CUsbIF {
  public:
    static constexpr int kSlots = 32;
    static constexpr std::size_t kPathSlot = 256;
    // A device name over 255 characters is not opened.
    static constexpr std::size_t kLongestPath = kPathSlot - 1;
    // A path is kept whole, its terminator inside its slot, with room for the backslash the
    // identification opens it with; a longer one is dropped.
    static constexpr std::size_t kLongestStoredPath = kLongestPath - 1;
    static constexpr std::size_t kVendorSlot = 20;
    // Where the four vendor digits sit in a device path ("\\?\usb#vid_1a7e&...").
    static constexpr std::size_t kVendorPosition = 12;

    CUsbIF();
    virtual ~CUsbIF() = default;

    // Lists the present interfaces of the class; only the maker's own take a slot and count,
    // so a foreign printer is never sent the identification request, and only those whose path
    // fits a slot whole: a cut path names no device. Returns the count.
    int EnumerateUsbPrinters(DeviceSetup& deviceSetup);

    // Opens the slot's path, followed by a backslash and the suffix when there is one; a name
    // longer than a slot's longest path is not opened.
    Result<std::unique_ptr<DeviceFile>> OpenUsbDevice(FileSystem& files, int index,
                                                      std::optional<std::string_view> suffix) const;

    int deviceCount() const { return deviceCount_; }
    std::uint8_t portNumber(int index) const { return portNumber_.at(Slot(index)); }
    std::string_view devicePath(int index) const;
    std::string_view vendorId(int index) const;

    static bool PassesVendorTest(std::string_view storedPath);

  private:
    static std::size_t Slot(int index) { return static_cast<std::size_t>(index); }
    void StoreSlot(int slot, std::string_view stored);
    void ReadPortNumber(DeviceInterfaceSet& set, std::uint32_t index, int slot);

    std::array<std::array<char, kPathSlot>, kSlots> devicePath_{};
    std::array<std::array<char, kVendorSlot>, kSlots> vendorId_{};
    std::array<std::uint8_t, kSlots> portNumber_{};
    int deviceCount_ = 0;
};

}  // namespace qar
