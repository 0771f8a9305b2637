#include <gtest/gtest.h>

#include "discovery/identify.h"
#include "fakes/fake_platform.h"

namespace qar {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

TEST(ParseIdentifyReply, FieldTakenByNumberOfCommas) {
    EXPECT_EQ(ParseIdentifyReply("", "kept"), "kept");
    EXPECT_EQ(ParseIdentifyReply("no comma", "kept"), "kept");
    EXPECT_EQ(ParseIdentifyReply("one,rest", "kept"), "one");
    EXPECT_EQ(ParseIdentifyReply("one,two,rest", ""), "two");
    EXPECT_EQ(ParseIdentifyReply("one,two,three,", ""), "three");
    EXPECT_EQ(ParseIdentifyReply("one,two,three,four,five", ""), "three");
    EXPECT_EQ(ParseIdentifyReply(",,,", "kept"), "");
}

TEST(TrimSpaces, RemovesOnlySpacesAtBothEnds) {
    EXPECT_EQ(TrimSpaces("  Tolvar-60  "), "Tolvar-60");
    EXPECT_EQ(TrimSpaces("   "), "");
    EXPECT_EQ(TrimSpaces("\tTolvar-60\r\n"), "\tTolvar-60\r\n");
    EXPECT_EQ(TrimSpaces(" Corvel 24 "), "Corvel 24");
}

TEST(UsbPortName, ThreeDecimalDigits) {
    EXPECT_EQ(UsbPortName(0), "USB000");
    EXPECT_EQ(UsbPortName(1), "USB001");
    EXPECT_EQ(UsbPortName(9), "USB009");
    EXPECT_EQ(UsbPortName(10), "USB010");
    EXPECT_EQ(UsbPortName(255), "USB255");
}

class IdentifyTest : public ::testing::Test {
  protected:
    IdentifyTest() { fakes.deviceSetup.expectedClass = kUsbPrintInterfaceClass; }

    std::string Plug(std::string_view serial, std::uint32_t port, std::string_view reply) {
        const std::string path = "\\\\?\\usb#vid_1a7e&pid_0001#" + std::string(serial) + "#{x}";
        fakes.deviceSetup.interfaces.push_back({path, port});
        fakes.files.devices[path + "\\"].reply = Bytes(reply);
        return path + "\\";
    }
    void Identify() {
        table.EnumerateUsbPrinters(fakes.deviceSetup);
        IdentifyUsbDevices(table, fakes.files, fakes.processes, state);
    }

    fake::FakePlatform fakes;
    CUsbIF table;
    InstallState state;
};

TEST_F(IdentifyTest, NoDeviceChangesNothing) {
    state.modelName = "before";
    state.usbPortName = "USB007";
    Identify();
    EXPECT_EQ(state.modelName, "before");
    EXPECT_EQ(state.usbPortName, "USB007");
    EXPECT_EQ(fakes.control.CountCalls("CreateFile"), 0u);
}

TEST_F(IdentifyTest, OneCutterSendsTheQueryPausesAndTakesThePaddedThirdField) {
    const std::string device = Plug("s1", 1, "QAR,V1.2, Tolvar-60 ,OK\r\n");
    Identify();
    EXPECT_EQ(fakes.files.devices[device].received,
              (std::vector<std::uint8_t>{0x1B, 0x2E, 0x52, 0x34, 0x3A, 0x0D, 0x0A}));
    EXPECT_EQ(state.modelName, "Tolvar-60");
    EXPECT_EQ(state.usbPortName, "USB001");
    const auto& calls = fakes.control.Calls();
    const auto write = std::find(calls.begin(), calls.end(), "WriteFile(" + device + ", 7, 2000)");
    ASSERT_NE(write, calls.end());
    EXPECT_EQ(*(write + 1), "Sleep(50)");
    EXPECT_EQ(*(write + 2), "ReadFile(" + device + ", 256, 2000)");
    EXPECT_EQ(*(write + 3), "CloseHandle(" + device + ")");
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

TEST_F(IdentifyTest, TwoCommasGiveTheSecondField) {
    Plug("s1", 1, "QAR,Nolle-60,");
    Identify();
    EXPECT_EQ(state.modelName, "Nolle-60");
}

TEST_F(IdentifyTest, FirstDeviceWithoutCommaEmptiesTheModel) {
    state.modelName = "earlier";
    Plug("s1", 1, "garbage");
    Identify();
    EXPECT_EQ(state.modelName, "");
}

TEST_F(IdentifyTest, SecondCutterFailingToOpenLendsNeitherItsPortNorItsModel) {
    Plug("s1", 1, "a,b,Tolvar-60,");
    Plug("s2", 2, "a,b,Nolle-60,");
    fakes.files.devices.erase(fakes.deviceSetup.interfaces[1].path + "\\");
    Identify();
    EXPECT_EQ(state.modelName, "Tolvar-60");
    EXPECT_EQ(state.usbPortName, "USB001");
}

TEST_F(IdentifyTest, TwoCuttersTheSecondWins) {
    Plug("s1", 1, "a,b,Tolvar-60,");
    Plug("s2", 3, "a,b,Nolle-60,");
    Identify();
    EXPECT_EQ(state.modelName, "Nolle-60");
    EXPECT_EQ(state.usbPortName, "USB003");
}

TEST_F(IdentifyTest, ModelFieldCarriesOverToADeviceWithoutComma) {
    Plug("s1", 1, "a,b,Tolvar-60,");
    Plug("s2", 2, "silent");
    Identify();
    EXPECT_EQ(state.modelName, "Tolvar-60");
    EXPECT_EQ(state.usbPortName, "USB001");
}

TEST_F(IdentifyTest, ReplyOfExactly256BytesIsUsedWhole) {
    std::string reply = "a,b," + std::string(251, 'M') + ",";
    ASSERT_EQ(reply.size(), 256u);
    const std::string device = Plug("s1", 1, reply);
    fakes.files.devices[device].reply.push_back('X');  // beyond the buffer
    Identify();
    EXPECT_EQ(state.modelName, std::string(251, 'M'));
}

TEST(IdentifyReply, ZeroByteEndsTheReply) {
    struct Case {
        std::vector<std::uint8_t> reply;
        std::string model;
    };
    const std::vector<Case> cases = {
        {{'a', ',', 'b', ',', 'T', ',', 0, 'x', ',', 'y', ','}, "T"},
        // Before the model field: the fields after the zero are not there.
        {{'a', ',', 'b', 0, ',', 'c', ',', 'd', ','}, "a"},
        {{'a', 0, ',', 'b', ',', 'c', ','}, ""},
    };
    for (const Case& test : cases) {
        fake::FakePlatform fakes;
        fakes.deviceSetup.expectedClass = kUsbPrintInterfaceClass;
        const std::string path = "\\\\?\\usb#vid_1a7e&pid_0001#s1#{x}";
        fakes.deviceSetup.interfaces.push_back({path, 1});
        fakes.files.devices[path + "\\"].reply = test.reply;
        CUsbIF table;
        InstallState state;
        table.EnumerateUsbPrinters(fakes.deviceSetup);
        IdentifyUsbDevices(table, fakes.files, fakes.processes, state);
        EXPECT_EQ(state.modelName, test.model);
    }
}

TEST_F(IdentifyTest, TabsAndLineEndsStayInTheModel) {
    Plug("s1", 1, "a,b,\tTolvar-60\r\n,");
    Identify();
    EXPECT_EQ(state.modelName, "\tTolvar-60\r\n");
}

TEST_F(IdentifyTest, MuteDeviceEndsAtTheBoundWithAnEmptyReply) {
    const std::string device = Plug("s1", 1, "");
    fakes.files.devices[device].mute = true;
    state.modelName = "earlier";
    Identify();
    EXPECT_EQ(state.modelName, "");
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

TEST_F(IdentifyTest, DeviceTakingNoDataEndsAtTheWritesBoundWithAnEmptyReply) {
    const std::string device = Plug("s1", 1, "a,b,Tolvar-60,");
    fakes.files.devices[device].refusesData = true;
    state.modelName = "earlier";
    Identify();
    EXPECT_EQ(state.modelName, "");
    EXPECT_EQ(fakes.control.CallsNamed("WriteFile"),
              std::vector<std::string>{"WriteFile(" + device + ", 7, 2000)"});
    EXPECT_EQ(fakes.control.CountCalls("ReadFile"), 0u);
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

TEST_F(IdentifyTest, FailingWriteStillPausesAndReads) {
    Plug("s1", 1, "a,b,Tolvar-60,");
    fakes.control.FailCall("WriteFile", win32_error::kAccessDenied);
    Identify();
    EXPECT_EQ(fakes.control.CountCalls("ReadFile"), 1u);
    EXPECT_EQ(state.modelName, "Tolvar-60");
}

}  // namespace
}  // namespace qar
