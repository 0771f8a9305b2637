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

// Another queue listed first lends nothing: not its driver, device settings or access list.
TEST_F(PortUpdateTest, TargetKeepsItsOwnSettingsWhateverQueueIsListedFirst) {
    const fake::FakePrinter office{"Office",        "COM1:", "Office driver",  "WinPrint",
                                   "RAW",           "share", "office comment", "office devmode",
                                   "D:(A;;GA;;;WD)"};
    const fake::FakePrinter cutter{"aaTZ-60", "LPT1:", "Tolvar-60",      "WinPrint",      "RAW",
                                   "",        "",      "cutter devmode", "D:(A;;GA;;;BA)"};
    fakes.spooler.printers = {office, cutter};
    EXPECT_EQ(UpdatePrinterPort(fakes.spooler), FlowOutcome::kDone);
    fake::FakePrinter moved = cutter;
    moved.port = "USB001";
    EXPECT_EQ(fakes.spooler.printers, (std::vector<fake::FakePrinter>{office, moved}));
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
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
