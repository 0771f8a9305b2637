// The USB printer-class interfaces and the device behind one, as the identification uses them.
#include "conformance/conformance.h"
#include "discovery/usb_interface_table.h"
#include "platform/win32_error.h"

namespace qar::conformance {

namespace {

struct Found {
    std::unique_ptr<DeviceInterfaceSet> set;
    std::uint32_t count = 0;
    std::optional<std::uint32_t> cutter;  // the index of the simulated cutter
    std::string cutterPath;
};

Found Enumerated(World& world, const Guid& interfaceClass) {
    Found found;
    auto set = world.deviceSetup().GetPresentInterfaces(interfaceClass);
    EXPECT_TRUE(set);
    if (!set) return found;
    found.set = std::move(*set);
    while (found.set->EnumInterface(found.count) == win32_error::kSuccess) {
        const auto path = found.set->InterfacePath(found.count);
        if (path && path->find(kCutterSerial) != std::string::npos) {
            found.cutter = found.count;
            found.cutterPath = *path;
        }
        ++found.count;
    }
    EXPECT_EQ(found.set->EnumInterface(found.count), win32_error::kNoMoreItems);
    return found;
}

const Case kDeviceCases[] = {
    {"PresentPrinterInterfacesAreListedUntil259",
     [](World& world) {
         const Found found = Enumerated(world, kUsbPrintInterfaceClass);
         EXPECT_TRUE(found.cutter);
         EXPECT_EQ(found.cutterPath.rfind("\\\\?\\usb#vid_1a7e&pid_0001#", 0), 0u)
             << found.cutterPath;
     }},
    {"AClassWithNoPresentDeviceEndsAt259",
     [](World& world) {
         const Guid none{0x0badc0de, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
         EXPECT_EQ(Enumerated(world, none).count, 0u);
     }},
    {"AnInterfacesKeyHoldsItsPortNumber",
     [](World& world) {
         const Found found = Enumerated(world, kUsbPrintInterfaceClass);
         ASSERT_TRUE(found.cutter);
         auto key = found.set->OpenInterfaceKey(*found.cutter, RegistryAccess::kRead);
         ASSERT_TRUE(key);
         EXPECT_EQ(*(*key)->QueryValue("Port Number", 4), (std::vector<std::uint8_t>{1, 0, 0, 0}));
     }},
    {"TheDeviceAtAnInterfacePathAnswersARequest",
     [](World& world) {
         const Found found = Enumerated(world, kUsbPrintInterfaceClass);
         ASSERT_TRUE(found.cutter);
         auto device = world.files().OpenDevice(found.cutterPath);
         ASSERT_TRUE(device);
         const std::vector<std::uint8_t> request{0x1b, '.', 'Q'};
         EXPECT_EQ(*(*device)->Write(request, 2000), 3u);
         const auto reply = (*device)->Read(256, 2000);
         ASSERT_TRUE(reply);
         EXPECT_EQ(std::string(reply->begin(), reply->end()), kCutterReply);
     }},
    {"OpeningADeviceThatIsNotThereFailsWith2",
     [](World& world) {
         const auto device = world.files().OpenDevice(
             "\\\\?\\usb#vid_1a7e&pid_0001#absent#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}");
         EXPECT_EQ(device.error(), win32_error::kFileNotFound);
     }},
};

QAR_CONFORMANCE_SUITE(Devices, kDeviceCases);

}  // namespace

}  // namespace qar::conformance
