#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "spooler/port_update.h"

namespace qar {
namespace {

class PortUpdateTest : public ::testing::Test {
  protected:
    fake::FakePlatform fakes;
};

TEST_F(PortUpdateTest, OnlyPrinterMovesToUsb001WithItsOtherSettings) {
    fakes.spooler.printers.push_back(
        {"aaTZ-60", "LPT1:", "Tolvar-60", "WinPrint", "RAW", "s", "c"});
    UpdatePrinterPort(fakes.spooler);
    ASSERT_EQ(fakes.spooler.printers.size(), 1u);
    const fake::FakePrinter& printer = fakes.spooler.printers[0];
    EXPECT_EQ(printer.name, "aaTZ-60");
    EXPECT_EQ(printer.port, "USB001");
    EXPECT_EQ(printer.driver, "Tolvar-60");
    EXPECT_EQ(printer.shareName, "s");
    EXPECT_EQ(printer.comment, "c");
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

TEST_F(PortUpdateTest, TargetTakesTheFirstPrintersSettingsAndTheFirstStaysUnchanged) {
    fakes.spooler.printers.push_back(
        {"Office", "COM1:", "Office driver", "WinPrint", "RAW", "share", "office comment"});
    fakes.spooler.printers.push_back({"aaTZ-60", "LPT1:", "Tolvar-60", "WinPrint", "RAW", "", ""});
    UpdatePrinterPort(fakes.spooler);
    const fake::FakePrinter* target = fakes.spooler.FindPrinter("aaTZ-60");
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->port, "USB001");
    EXPECT_EQ(target->driver, "Office driver");
    EXPECT_EQ(target->shareName, "share");
    EXPECT_EQ(target->comment, "office comment");
    const fake::FakePrinter* office = fakes.spooler.FindPrinter("Office");
    ASSERT_NE(office, nullptr);
    EXPECT_EQ(office->port, "COM1:");
}

TEST_F(PortUpdateTest, WithoutTheTargetNothingChanges) {
    fakes.spooler.printers.push_back(
        {"Office", "COM1:", "Office driver", "WinPrint", "RAW", "", ""});
    UpdatePrinterPort(fakes.spooler);
    EXPECT_EQ(fakes.spooler.printers[0].name, "Office");
    EXPECT_EQ(fakes.spooler.printers[0].port, "COM1:");
    EXPECT_EQ(fakes.control.CountCalls("SetPrinter"), 0u);
}

TEST_F(PortUpdateTest, NoPrinterOrFailedEnumerationDoesNothing) {
    UpdatePrinterPort(fakes.spooler);
    EXPECT_EQ(fakes.control.CountCalls("OpenPrinter"), 0u);
    fakes.spooler.printers.push_back({"aaTZ-60", "LPT1:", "Tolvar-60", "WinPrint", "RAW", "", ""});
    fakes.control.FailCall("EnumPrinters", win32_error::kNotEnoughMemory);
    UpdatePrinterPort(fakes.spooler);
    EXPECT_EQ(fakes.control.CountCalls("OpenPrinter"), 0u);
    EXPECT_EQ(fakes.spooler.printers[0].port, "LPT1:");
}

TEST_F(PortUpdateTest, RefusedWriteStillClosesThePrinter) {
    fakes.spooler.printers.push_back({"aaTZ-60", "LPT1:", "Tolvar-60", "WinPrint", "RAW", "", ""});
    fakes.control.FailCall("SetPrinter", win32_error::kAccessDenied);
    UpdatePrinterPort(fakes.spooler);
    EXPECT_EQ(fakes.spooler.printers[0].port, "LPT1:");
    EXPECT_EQ(fakes.control.CountCalls("ClosePrinter"), 1u);
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

}  // namespace
}  // namespace qar
