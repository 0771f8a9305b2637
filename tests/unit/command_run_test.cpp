#include <gtest/gtest.h>

#include <functional>

#include "app/command_run.h"
#include "platform/fake/fake_platform.h"
#include "qar_version.h"
#include "spooler/install_chain.h"

namespace qar {
namespace {

constexpr const char* kDirectory = "C:\\windows\\system32\\spool\\drivers\\x64";
constexpr const char* kLog = "C:\\logs\\run.log";

// A staged machine of fakes for runs with switches: exit code, log and what they changed.
struct Machine {
    Machine() {
        for (std::string_view name : kPackageFileNames) {
            fakes.files.files[std::string(kDirectory) + "\\" + std::string(name)] = "package";
        }
        fakes.registry.SetStringValue("HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\Device\\Serial0",
                                      "COM1");
    }

    int RunWith(std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), {"/log", kLog});
        InstallState state;
        return RunCommandLine(fakes.platform, state, ParseCommandLine(arguments), arguments);
    }
    std::string Log() const { return fakes.files.Content(kLog).value_or(""); }
    int PackageFilesLeft() const {
        int left = 0;
        for (std::string_view name : kPackageFileNames) {
            left += fakes.files.Exists(std::string(kDirectory) + "\\" + std::string(name));
        }
        return left;
    }

    fake::FakePlatform fakes;
};

class CommandRunTest : public ::testing::Test, protected Machine {};

const std::vector<std::string> kQuietInstall = {"/quiet", "/model", "NOLLE-60", "/port", "com1"};

TEST_F(CommandRunTest, QuietInstallShowsNothingAndLogsEveryChange) {
    EXPECT_EQ(RunWith(kQuietInstall), 0);
    EXPECT_TRUE(fakes.ui.messageBoxes.empty());
    EXPECT_EQ(fakes.ui.warrantyOfferRuns, 0);
    ASSERT_NE(fakes.spooler.FindPrinter("Nolle-60"), nullptr);
    EXPECT_EQ(fakes.spooler.FindPrinter("Nolle-60")->port, "COM1:");
    EXPECT_EQ(PackageFilesLeft(), 0);
    const std::string log = Log();
    for (const char* event : {
             "Modelprobe_u " QAR_VERSION ", command line: /quiet /model NOLLE-60 /port com1 "
             "/log C:\\logs\\run.log\r\n",
             "driver \"Nolle-60\" (Windows x64) added\r\n",
             "queue \"Nolle-60\" on COM1: (driver \"Nolle-60\") added\r\n",
             "Ports\\USB01:\\Delay = 300\r\n",
             "\"Add Nolle-60 Printer driver Successfully\" not shown (quiet), answered OK\r\n",
             "package files removed: 33 of 33\r\nexit code 0\r\n",
         }) {
        EXPECT_NE(log.find(event), std::string::npos) << event << "\nin\n" << log;
    }
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

// A shown /usb keeps the detector before its help ("no cutter, help cancelled" below).
TEST(CommandRun, QuietUsbWithoutACutterStartsNoDetector) {
    Machine machine;
    EXPECT_EQ(machine.RunWith({"/quiet", "/usb"}), 1167);
    EXPECT_EQ(machine.fakes.control.CountCalls("CreateProcess"), 0u);
}

TEST(CommandRun, ExitCodes) {
    struct Case {
        const char* label;
        std::function<void(fake::FakePlatform&)> prepare;
        std::vector<std::string> arguments;
        int exitCode;
        const char* logged;
    };
    const auto takenName = [](fake::FakePlatform& fakes) {
        fakes.spooler.printers.push_back(
            {"Nolle-60", "LPT1:", "Nolle-60", "WinPrint", "RAW", "", ""});
    };
    std::vector<std::string> addQueue = kQuietInstall;
    addQueue.push_back("/addqueue");
    const std::vector<Case> cases = {
        {"taken name, no numbered queue", takenName, kQuietInstall, 0,
         "Do you want add attachment\" not shown (quiet), answered No"},
        {"taken name, numbered queue", takenName, addQueue, 0,
         "queue \"Nolle-60_1\" on COM1: (driver \"Nolle-60\") added"},
        {"driver refused",
         [](fake::FakePlatform& fakes) { fakes.control.FailCall("AddPrinterDriver", 2); },
         kQuietInstall, 1603,
         "adding driver \"Nolle-60\" (Windows x64) failed: error 2: system text for 2"},
        {"another run busy",
         [](fake::FakePlatform& fakes) {
             fakes.processes.heldElsewhere.push_back(std::string(kInstanceLockName));
         },
         kQuietInstall, 1618, "another run of the installer is changing the system"},
        {"lock made by someone else",
         [](fake::FakePlatform& fakes) { fakes.control.FailCall("CreateMutex", 5); }, kQuietInstall,
         1603,
         "the installer's machine-wide lock Global\\QAR.Modelprobe_u.Installation cannot be taken "
         "(another account may have made it): error 5: system text for 5; nothing done"},
        {"unknown port",
         nullptr,
         {"/quiet", "/model", "Nolle-60", "/port", "COM7"},
         87,
         "bad command line: unknown port \"COM7\"; known ports: COM1:, LPT1:, COM1:, COM2:"},
        {"no cutter, quiet",
         nullptr,
         {"/quiet", "/usb"},
         1167,
         "no cutter answered on USB; a quiet run starts no detector and shows no help"},
        {"spooler stopped",
         [](fake::FakePlatform& fakes) { fakes.control.FailCall("EnumPorts", 1722); },
         kQuietInstall, 1603,
         "the print spooler cannot list its ports: error 1722: system text for 1722; nothing "
         "done"},
        {"no cutter, help cancelled", nullptr, {"/usb"}, 1602, "connection help closed: Cancel"},
        {"monitor refused",
         [](fake::FakePlatform& fakes) {
             for (const char* name : {"qarum1Nt.dll", "uninstallMn.exe"}) {
                 fakes.files.files[std::string("C:\\windows\\system32\\qartemp\\") + name] = "x";
             }
             fakes.control.FailCall("AddMonitor", 126);
         },
         {"/quiet", "/installusb"},
         1603,
         "adding port monitor \"_cutter USB Port\""},
        {"nothing to uninstall",
         nullptr,
         {"/quiet", "/uninstallusb"},
         0,
         "port monitor \"_cutter USB Port\" not installed, nothing to remove"},
        {"no printer to update", nullptr, {"/quiet", "/updateport"}, 0, "exit code 0"},
        {"uninstall, quiet",
         takenName,
         {"/quiet", "/uninstall", "/model", "nolle-60"},
         0,
         "queue \"Nolle-60\" removed"},
        {"uninstall answered No",
         [](fake::FakePlatform& fakes) {
             fakes.spooler.printers.push_back({"Nolle-60", "LPT1:", "Nolle-60", "", "", "", ""});
             fakes.ui.messageBoxAnswers.push_back(dialog_result::kNo);
         },
         {"/uninstall", "/model", "Nolle-60"},
         1602,
         "answered No"},
        {"uninstall refused",
         [](fake::FakePlatform& fakes) {
             fakes.spooler.printers.push_back({"Nolle-60", "LPT1:", "Nolle-60", "", "", "", ""});
             fakes.control.FailCall("DeletePrinter", 5);
         },
         {"/quiet", "/uninstall", "/model", "Nolle-60"},
         1603,
         "removing queue \"Nolle-60\" failed: error 5"},
    };
    for (const Case& test : cases) {
        Machine machine;
        if (test.prepare) test.prepare(machine.fakes);
        EXPECT_EQ(machine.RunWith(test.arguments), test.exitCode) << test.label;
        EXPECT_NE(machine.Log().find(test.logged), std::string::npos) << test.label << "\n"
                                                                      << machine.Log();
        EXPECT_EQ(machine.fakes.control.OpenHandles(), 0) << test.label;
    }
}

TEST_F(CommandRunTest, BadLineOrUnwritableLogChangesNothing) {
    fakes.files.missingFolders.push_back("C:\\logs");
    EXPECT_EQ(RunWith(kQuietInstall), 1622);
    EXPECT_EQ(PackageFilesLeft(), 33);
    EXPECT_TRUE(fakes.spooler.drivers.empty());
    fakes.files.missingFolders.clear();
    EXPECT_EQ(RunWith({"/model", "Nolle-60"}), 87);
    ASSERT_EQ(fakes.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(fakes.ui.messageBoxes[0].text.substr(0, 29), "/model and /port go together\r");
    EXPECT_EQ(PackageFilesLeft(), 33);
    EXPECT_TRUE(fakes.spooler.drivers.empty());
}

TEST_F(CommandRunTest, HelpShowsTheSwitchesAndDoesNothingElse) {
    EXPECT_EQ(RunWith({"/?"}), 0);
    ASSERT_EQ(fakes.ui.messageBoxes.size(), 1u);
    EXPECT_NE(fakes.ui.messageBoxes[0].text.find("/uninstallusb"), std::string::npos);
    EXPECT_NE(fakes.ui.messageBoxes[0].text.find("1618 another run is busy"), std::string::npos);
    EXPECT_EQ(PackageFilesLeft(), 33);
    EXPECT_FALSE(fakes.files.Exists(kLog));
}

}  // namespace
}  // namespace qar
