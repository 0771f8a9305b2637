#include <gtest/gtest.h>

#include "fakes/fake_platform.h"

namespace qar {
namespace {

// The fakes stand in for Windows in every flow test, so their own behaviour must hold.
class FakesTest : public ::testing::Test {
  protected:
    fake::FakePlatform fakes;
};

TEST_F(FakesTest, InjectedFailureIsSeenWithItsCodeAndThenWearsOff) {
    fakes.control.FailCall("GetPrinterDriverDirectory", 1797, 1);
    auto first = fakes.spooler.DriverDirectory("Windows x64");
    ASSERT_FALSE(first);
    EXPECT_EQ(first.error(), 1797u);
    auto second = fakes.spooler.DriverDirectory("Windows x64");
    ASSERT_TRUE(second);
    EXPECT_EQ(*second, "C:\\windows\\system32\\spool\\drivers\\x64");
    EXPECT_EQ(fakes.control.CountCalls("GetPrinterDriverDirectory"), 2u);
}

TEST_F(FakesTest, PersistentFailureFailsEveryCall) {
    fakes.control.FailCall("CopyFile", 5);
    fakes.files.files["C:\\a"] = "x";
    EXPECT_EQ(fakes.files.Copy("C:\\a", "C:\\b", false), 5u);
    EXPECT_EQ(fakes.files.Copy("C:\\a", "C:\\b", false), 5u);
    EXPECT_FALSE(fakes.files.Exists("C:\\b"));
}

TEST_F(FakesTest, RegistryKeysAreCountedUntilReleased) {
    {
        auto key = OpenOrCreateLocalMachineKey(fakes.registry, "SOFTWARE\\Test");
        ASSERT_TRUE(key);
        EXPECT_EQ((*key)->SetDword("Delay", 300), 0u);
        EXPECT_EQ(fakes.control.OpenHandles(), 1);
    }
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
    EXPECT_EQ(fakes.registry.DwordValue("software\\wow6432node\\test", "delay"), 300u);
    EXPECT_EQ(fakes.control.Calls().front(), "RegOpenKeyEx(SOFTWARE\\Test, all)");
    EXPECT_EQ(fakes.control.CountCalls("RegCreateKey"), 1u);
}

TEST_F(FakesTest, SpoolerRefusesATakenQueueNameWith1802) {
    fakes.spooler.drivers.push_back({"Tolvar-60", "Windows x64", "", "", "", ""});
    {
        auto first =
            fakes.spooler.AddPrinter2({"Tolvar-60", "COM1:", "Tolvar-60", "WinPrint", "RAW"});
        ASSERT_TRUE(first);
        auto second =
            fakes.spooler.AddPrinter2({"tolvar-60", "COM2:", "Tolvar-60", "WinPrint", "RAW"});
        ASSERT_FALSE(second);
        EXPECT_EQ(second.error(), win32_error::kPrinterAlreadyExists);
    }
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

// Windows' documented preconditions; Wine accepts all three.
TEST_F(FakesTest, SpoolerRefusesAQueueOnAnUnknownPortADriverWithoutFilesAMonitorWithoutItsDll) {
    const std::string directory = fakes.spooler.driverDirectory;
    DriverInfo3 driver{
        "Nolle-60", "Windows x64", directory + "\\KT4_cx64.dll", directory + "\\Nolle-60.INI", "",
        ""};
    EXPECT_EQ(fakes.spooler.AddPrinterDriver3(driver), win32_error::kFileNotFound);
    fakes.files.files[driver.driverPath] = fakes.files.files[driver.dataFile] = "x";
    EXPECT_EQ(fakes.spooler.AddPrinterDriver3(driver), win32_error::kSuccess);
    NewPrinterInfo2 queue{"Nolle-60", "USB001", "Nolle-60", "WinPrint", "RAW"};
    EXPECT_EQ(fakes.spooler.AddPrinter2(queue).error(), win32_error::kUnknownPort);
    fakes.deviceSetup.interfaces.push_back({"\\\\?\\usb#vid_1a7e&pid_0001#s#{g}", 1});
    EXPECT_TRUE(fakes.spooler.AddPrinter2(queue));
    const MonitorInfo2 monitor{"M", "Windows x64", "m.dll"};
    EXPECT_EQ(fakes.spooler.AddMonitor2(monitor), win32_error::kModuleNotFound);
    // A 32-bit process's copy into System32 with redirection on lands in SysWOW64.
    fakes.files.files["C:\\staged\\m.dll"] = "monitor";
    EXPECT_EQ(fakes.files.Copy("C:\\staged\\m.dll", "C:\\windows\\system32\\m.dll", false), 0u);
    EXPECT_TRUE(fakes.files.Exists("C:\\windows\\SysWOW64\\m.dll"));
    EXPECT_EQ(fakes.spooler.AddMonitor2(monitor), win32_error::kModuleNotFound);
    const Wow64RedirectionOff realSystem32(fakes.files);
    EXPECT_EQ(fakes.files.Copy("C:\\staged\\m.dll", "C:\\windows\\system32\\m.dll", false), 0u);
    EXPECT_EQ(fakes.spooler.AddMonitor2(monitor), win32_error::kSuccess);
}

}  // namespace
}  // namespace qar
