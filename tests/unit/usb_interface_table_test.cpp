#include <gtest/gtest.h>

#include "discovery/usb_interface_table.h"
#include "fakes/fake_platform.h"

namespace qar {
namespace {

std::string CutterPath(std::string_view serial, std::string_view vendor = "1a7e") {
    return "\\\\?\\usb#vid_" + std::string(vendor) + "&pid_0001#" + std::string(serial) +
           "#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
}

class UsbInterfaceTableTest : public ::testing::Test {
  protected:
    UsbInterfaceTableTest() { fakes.deviceSetup.expectedClass = kUsbPrintInterfaceClass; }
    void Plug(std::string path, std::optional<std::uint32_t> port = 1) {
        fakes.deviceSetup.interfaces.push_back({std::move(path), port});
    }

    fake::FakePlatform fakes;
    CUsbIF table;
};

TEST_F(UsbInterfaceTableTest, StartsEmpty) {
    EXPECT_EQ(table.deviceCount(), 0);
    EXPECT_EQ(table.devicePath(31), "");
    EXPECT_EQ(table.portNumber(31), 0);
}

TEST_F(UsbInterfaceTableTest, NoInterfaceGivesZero) {
    EXPECT_EQ(table.EnumerateUsbPrinters(fakes.deviceSetup), 0);
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

TEST_F(UsbInterfaceTableTest, OneCutterFillsSlotZero) {
    Plug(CutterPath("serial1"), 1);
    EXPECT_EQ(table.EnumerateUsbPrinters(fakes.deviceSetup), 1);
    EXPECT_EQ(table.devicePath(0), CutterPath("serial1"));
    EXPECT_EQ(table.vendorId(0), "1a7e");
    EXPECT_EQ(table.portNumber(0), 1);
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

TEST_F(UsbInterfaceTableTest, OtherVendorsAndUpperCaseDigitsTakeNoSlot) {
    Plug(CutterPath("other", "04b8"), 2);
    Plug(CutterPath("upper", "1A7E"), 3);
    Plug(CutterPath("mine"), 4);
    EXPECT_EQ(table.EnumerateUsbPrinters(fakes.deviceSetup), 1);
    EXPECT_EQ(table.portNumber(0), 4);
    EXPECT_TRUE(table.devicePath(0).find("mine") != std::string_view::npos);
}

// Composite devices and long serial numbers have paths far over 80 characters; a cut one names
// no device.
TEST_F(UsbInterfaceTableTest, PathsAreKeptWholeOrDroppedWhenTheyDoNotFitTheirSlot) {
    const auto pathOf = [](std::size_t length) {
        return CutterPath(std::string(length - CutterPath("").size(), 's'));
    };
    Plug(pathOf(255), 1);
    Plug(pathOf(200), 2);
    Plug(pathOf(254), 3);
    fakes.files.devices[pathOf(200) + "\\"] = {};
    fakes.files.devices[pathOf(254) + "\\"] = {};
    fakes.files.devices[pathOf(254)] = {};
    EXPECT_EQ(table.EnumerateUsbPrinters(fakes.deviceSetup), 2);
    EXPECT_EQ(table.devicePath(0), pathOf(200));
    EXPECT_EQ(table.portNumber(0), 2);
    EXPECT_EQ(table.devicePath(1), pathOf(254));
    EXPECT_EQ(table.portNumber(1), 3);
    EXPECT_TRUE(table.OpenUsbDevice(fakes.files, 0, std::string_view{}));
    // The longest kept path still opens as the identification opens it: 255 characters.
    EXPECT_TRUE(table.OpenUsbDevice(fakes.files, 1, std::string_view{}));
    EXPECT_TRUE(table.OpenUsbDevice(fakes.files, 1, std::nullopt));
    EXPECT_FALSE(table.OpenUsbDevice(fakes.files, 1, "x"));  // 256
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

TEST_F(UsbInterfaceTableTest, PathEndsAtItsFirstZeroBeforeTheVendorTest) {
    // Found by fuzzing: a zero before the vendor digits used to pass the test on the raw
    // bytes while the stored text was cut short. The raw bytes' digits sit where a cutter's do.
    std::string path = "\\\\?\\";
    path += '\0';
    path += "sb#vid_1a7e&pid_0001#s#{g}";
    Plug(path);
    Plug(CutterPath("after") + std::string(1, '\0') + "tail");
    EXPECT_EQ(table.EnumerateUsbPrinters(fakes.deviceSetup), 1);
    EXPECT_EQ(table.devicePath(0), CutterPath("after"));
}

TEST_F(UsbInterfaceTableTest, OnlyTheFirstThirtyTwoIndicesAreVisited) {
    for (int index = 0; index < 40; ++index) Plug(CutterPath("s" + std::to_string(index)));
    EXPECT_EQ(table.EnumerateUsbPrinters(fakes.deviceSetup), 32);
    EXPECT_EQ(fakes.control.CountCalls("SetupDiEnumDeviceInterfaces"), 32u);
}

TEST_F(UsbInterfaceTableTest, EnumerationErrorOrFailingDetailSkipsOnlyThatIndex) {
    Plug(CutterPath("a"), 1);
    Plug(CutterPath("b"), 2);
    Plug(CutterPath("c"), 3);
    fakes.deviceSetup.interfaces[0].enumError = win32_error::kInvalidParameter;
    fakes.deviceSetup.interfaces[1].detailError = win32_error::kInsufficientBuffer;
    EXPECT_EQ(table.EnumerateUsbPrinters(fakes.deviceSetup), 1);
    EXPECT_EQ(table.portNumber(0), 3);
}

TEST_F(UsbInterfaceTableTest, MissingPortNumberIsZeroEvenWhereAnEarlierDeviceHadOne) {
    Plug(CutterPath("a"), 4);
    table.EnumerateUsbPrinters(fakes.deviceSetup);
    // A Retry finds another vendor's device first and then a cutter without a port number.
    fakes.deviceSetup.interfaces = {{CutterPath("o", "04b8"), 9}, {CutterPath("b"), std::nullopt}};
    EXPECT_EQ(table.EnumerateUsbPrinters(fakes.deviceSetup), 1);
    EXPECT_EQ(table.portNumber(0), 0);
    EXPECT_EQ(table.vendorId(0), "1a7e");
}

TEST_F(UsbInterfaceTableTest, PortNumberIsTheValuesLowByte) {
    Plug(CutterPath("a"), 0x0102);
    table.EnumerateUsbPrinters(fakes.deviceSetup);
    EXPECT_EQ(table.portNumber(0), 2);
}

TEST_F(UsbInterfaceTableTest, SecondCallAfterUnplugLowersTheCountAndKeepsOldSlots) {
    Plug(CutterPath("a"), 1);
    Plug(CutterPath("b"), 2);
    table.EnumerateUsbPrinters(fakes.deviceSetup);
    fakes.deviceSetup.interfaces.erase(fakes.deviceSetup.interfaces.begin());
    EXPECT_EQ(table.EnumerateUsbPrinters(fakes.deviceSetup), 1);
    EXPECT_EQ(table.portNumber(0), 2);
    EXPECT_EQ(table.portNumber(1), 2);
    EXPECT_TRUE(table.devicePath(1).find("#b#") != std::string_view::npos);
}

TEST_F(UsbInterfaceTableTest, NoDeviceSetGivesZero) {
    Plug(CutterPath("a"));
    table.EnumerateUsbPrinters(fakes.deviceSetup);
    fakes.control.FailCall("SetupDiGetClassDevs", win32_error::kAccessDenied);
    EXPECT_EQ(table.EnumerateUsbPrinters(fakes.deviceSetup), 0);
    EXPECT_EQ(table.deviceCount(), 0);
}

TEST_F(UsbInterfaceTableTest, OpenComposesTheNameFromTheStoredPath) {
    Plug(CutterPath("a"));
    table.EnumerateUsbPrinters(fakes.deviceSetup);
    (void)table.OpenUsbDevice(fakes.files, 0, std::string_view{});
    (void)table.OpenUsbDevice(fakes.files, 0, std::string_view{});
    (void)table.OpenUsbDevice(fakes.files, 0, std::nullopt);
    const auto opens = fakes.control.CallsNamed("CreateFile");
    ASSERT_EQ(opens.size(), 3u);
    EXPECT_EQ(opens[0], "CreateFile(" + CutterPath("a") + "\\)");
    EXPECT_EQ(opens[1], opens[0]);
    EXPECT_EQ(opens[2], "CreateFile(" + CutterPath("a") + ")");
}

TEST_F(UsbInterfaceTableTest, OpenRefusesNamesLongerThan255Characters) {
    Plug(CutterPath("a"));
    table.EnumerateUsbPrinters(fakes.deviceSetup);
    auto opened = table.OpenUsbDevice(fakes.files, 0, std::string(200, 'x'));
    EXPECT_FALSE(opened);
    EXPECT_EQ(fakes.control.CountCalls("CreateFile"), 0u);
    EXPECT_FALSE(table.OpenUsbDevice(fakes.files, 32, std::nullopt));
    EXPECT_FALSE(table.OpenUsbDevice(fakes.files, -1, std::nullopt));
}

}  // namespace
}  // namespace qar
