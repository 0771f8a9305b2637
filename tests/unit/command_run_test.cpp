#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <set>

#include "cli/command_run.h"
#include "discovery/usb_detector.h"
#include "discovery/usb_interface_table.h"
#include "fakes/fake_platform.h"
#include "qar_version.h"
#include "spooler/install_chain.h"
#include "spooler/port_monitor.h"

namespace qar {
namespace {

constexpr const char* kDirectory = "C:\\windows\\system32\\spool\\drivers\\x64";
constexpr const char* kLog = "C:\\logs\\run.log";

// A staged machine of fakes for runs with switches: exit code, log and what they changed.
struct Machine {
    Machine() {
        StagePackage();
        fakes.files.StageDriverFiles(kDirectory);
        fakes.registry.SetStringValue("HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\Device\\Serial0",
                                      "COM1");
        // What the outer setup places beside the package: the installation copies them.
        for (const char* name : {"KT4.PCD", "KT4LNG.INI"}) {
            fakes.files.files[std::string("C:\\windows\\SysWOW64\\") + name] = "support";
        }
    }

    // The outer setup's package, which every run but /uninstall removes.
    void StagePackage() {
        for (std::string_view name : kPackageFileNames) {
            fakes.files.files[std::string(kDirectory) + "\\" + std::string(name)] = "package";
        }
    }
    int RunWith(std::vector<std::string> arguments, const std::string& log = kLog) {
        arguments.insert(arguments.end(), {"/log", log});
        InstallState state;
        return RunCommandLine(fakes.platform, fakes.ui, state, ParseCommandLine(arguments),
                              arguments);
    }
    // The log's lines without the stamp the standing clock gives each of them.
    std::string Log() const {
        std::string log = fakes.files.Content(kLog).value_or("");
        for (std::size_t at = log.find(kStamp); at != std::string::npos;
             at = log.find(kStamp, at)) {
            log.erase(at, kStamp.size());
        }
        return log;
    }
    static constexpr std::string_view kStamp = "2026-12-09 10:11:12.013 ";
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
const std::vector<std::string> kShownInstall = {"/model", "NOLLE-60", "/port", "com1"};
const std::string kLock =
    std::string(kInstanceLockNamespace) + "\\" + std::string(kInstanceLockName);

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
             "warranty offer not shown (quiet)\r\n",
             "package files removed: 33 of 33\r\nexit code 0\r\n",
         }) {
        EXPECT_NE(log.find(event), std::string::npos) << event << "\nin\n" << log;
    }
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
    // The first line quotes what has a space, so that it can be run again as it stands; a
    // share is a root as a drive is, and the log's folder is made on it.
    Machine spaced;
    spaced.fakes.files.folders.insert("\\\\fileserver\\deploy");
    const std::string onShare = "\\\\fileserver\\deploy\\QAR logs\\run.log";
    EXPECT_EQ(spaced.RunWith({"/quiet", "/updateport"}, onShare), 0);
    EXPECT_NE(spaced.fakes.files.Content(onShare).value_or("").find(
                  "command line: /quiet /updateport /log \"" + onShare + "\"\r\n"),
              std::string::npos);
}

// Two runs at once: the second finds the lock held for the whole of the first and does nothing.
TEST(CommandRun, ARunWhileAnotherIsBusyExits1618) {
    Machine machine;
    int secondRun = -1;
    machine.fakes.processes.programs[std::string(kDetectorPath)] = [&] {
        InstallState state;
        const CommandLine line = ParseCommandLine(kQuietInstall);
        secondRun =
            RunCommandLine(machine.fakes.platform, machine.fakes.ui, state, line, kQuietInstall);
    };
    EXPECT_EQ(machine.RunWith({"/usb"}), 1602);
    EXPECT_EQ(secondRun, 1618);
    EXPECT_TRUE(machine.fakes.spooler.drivers.empty());
    machine.StagePackage();
    EXPECT_EQ(machine.RunWith(kQuietInstall), 0);  // the lock went with the first run
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
        int packageFilesLeft = 0;        // all 33 stay when nothing was done, and after /uninstall
        const char* shownBox = nullptr;  // the start of the one box shown, when one is
    };
    const auto takenName = [](fake::FakePlatform& fakes) {
        fakes.spooler.printers.push_back(
            {"Nolle-60", "LPT1:", "Nolle-60", "WinPrint", "RAW", "", ""});
    };
    const auto installed = [&](fake::FakePlatform& fakes) {
        takenName(fakes);
        fakes.spooler.drivers.push_back(
            {"Nolle-60", "Windows x64", "KT4_cx64.dll", "x.INI", "", ""});
        fakes.registry.AddKey(std::string(kDriverKeyPrefix) + "\\Nolle-60");
    };
    const auto cutterAnswering = [](std::string reply, bool mute) {
        return [reply, mute](fake::FakePlatform& fakes) {
            const std::string path = "\\\\?\\usb#vid_1a7e&pid_0001#s1#{g}";
            fakes.deviceSetup.expectedClass = kUsbPrintInterfaceClass;
            fakes.deviceSetup.interfaces.push_back({path, 1});
            fake::FakeDevice& device = fakes.files.devices[path + "\\"];
            device.reply.assign(reply.begin(), reply.end());
            device.mute = mute;
        };
    };
    const auto monitorStaged = [](fake::FakePlatform& fakes) {
        for (const char* name : {"qarum1Nt.dll", "uninstallMn.exe"}) {
            fakes.files.files[std::string("C:\\windows\\system32\\qartemp\\") + name] = "x";
        }
    };
    const std::string noModel = "the cutter on USB gave no usable model name";
    const auto helpAsked = [](fake::FakePlatform& fakes) {
        fakes.ui.connectionHelpScript = fake::AskUsbTypeHelp;
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
        {"driver refused under Windows protected print mode",
         [](fake::FakePlatform& fakes) {
             fakes.registry.SetDwordValue(
                 "SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP",
                 "WindowsProtectedPrintMode", 1);
             fakes.control.FailCall("AddPrinterDriver", 5);
         },
         kQuietInstall, 1603,
         "box \"ERROR\": \"system text for 5 / Windows protected print mode is on: it lets no "
         "printer driver but Windows' own be added. An administrator can turn it off"},
        {"another run busy",
         [](fake::FakePlatform& fakes) { fakes.processes.heldElsewhere.push_back(kLock); },
         kQuietInstall, 1618, "Another run of the installer is changing this machine", 33},
        {"another run busy, shown",
         [](fake::FakePlatform& fakes) { fakes.processes.heldElsewhere.push_back(kLock); },
         kShownInstall, 1618, "Another run of the installer is changing this machine", 33,
         "Another run of the installer is changing this machine; nothing was done. Run this "
         "again when it has finished."},
        {"lock refused",
         [](fake::FakePlatform& fakes) { fakes.control.FailCall("CreateMutex", 5); }, kQuietInstall,
         1603,
         "The installer's machine-wide lock cannot be taken: error 5: system text for 5; nothing "
         "was done.",
         33},
        {"lock refused, shown",
         [](fake::FakePlatform& fakes) { fakes.control.FailCall("CreateMutex", 5); }, kShownInstall,
         1603, "The installer's machine-wide lock cannot be taken", 33,
         "The installer's machine-wide lock cannot be taken: error 5"},
        {"a standard user's Global\\ object of the lock's name",
         [](fake::FakePlatform& fakes) {
             fakes.processes.madeByOtherAccounts.insert("Global\\QAR.Modelprobe_u.Installation");
         },
         kQuietInstall, 0, "exit code 0"},
        {"unknown port",
         nullptr,
         {"/quiet", "/model", "Nolle-60", "/port", "COM7"},
         87,
         "bad command line: unknown port \"COM7\"; known ports: COM1:, LPT1:, COM1:, COM2:",
         33},
        {"line breaks and other control bytes in an argument stay on the event's line",
         nullptr,
         {"/quiet", "/model",
          "Nolle-60\r\n\x1f\x7f"
          "exit code 0",
          "/port", "COM1"},
         87,
         "bad command line: unknown model \"Nolle-60<0x0D><0x0A><0x1F><0x7F>exit code 0\"; "
         "nothing done",
         33},
        {"an empty argument is quoted, so the line runs again as logged",
         nullptr,
         {"/quiet", "/model", "", "/port", "COM1"},
         87,
         "command line: /quiet /model \"\" /port COM1 /log",
         33},
        {"no cutter, quiet",
         nullptr,
         {"/quiet", "/usb"},
         1167,
         "no cutter answered on USB; a quiet run starts no detector and shows no help"},
        {"mute cutter, quiet",
         cutterAnswering("", true),
         {"/quiet", "/usb"},
         1167,
         noModel.c_str()},
        {"garbled answer, quiet",
         cutterAnswering("\x01\xfe?", false),
         {"/quiet", "/usb"},
         1167,
         noModel.c_str()},
        {"a cutter that cannot be opened is logged as such",
         [&](fake::FakePlatform& fakes) {
             cutterAnswering("", false)(fakes);
             fakes.control.FailCall("CreateFile", 5);
         },
         {"/quiet", "/usb"},
         1167,
         "opening the device \\\\?\\usb#vid_1a7e&pid_0001#s1#{g}\\ failed: error 5: system text "
         "for 5\r\n"},
        {"mute cutter, after the box",
         cutterAnswering("", true),
         {"/usb"},
         1167,
         "box \"ERROR\": \"system text for 1801\" answered OK"},
        {"spooler stopped",
         [](fake::FakePlatform& fakes) { fakes.control.FailCall("EnumPorts", 1722); },
         kQuietInstall, 1603,
         "the print spooler cannot list its ports: error 1722: system text for 1722; nothing "
         "done",
         33},
        {"no cutter, help cancelled", nullptr, {"/usb"}, 1602, "connection help closed: Cancel"},
        {"no cutter, help asked where no desktop shell runs",
         [&](fake::FakePlatform& fakes) {
             fakes.shell.shellRouteAvailable = false;
             fakes.shell.desktopShellPresent = false;
             helpAsked(fakes);
         },
         {"/usb"},
         1602,
         "no desktop shell window\r\nbox \"QAR Driver Installation\": \"Please open this guide "
         "yourself: / C:\\WINDOWS\\system32\\spool\\drivers\\x64\\How to change USB mode.pdf\" "
         "answered OK"},
        {"no cutter, help asked where COM security was refused: each step logged",
         [&](fake::FakePlatform& fakes) {
             fakes.shell.comHardened = false;
             helpAsked(fakes);
         },
         {"/usb"},
         1602,
         "desktop shell route for \"C:\\WINDOWS\\system32\\spool\\drivers\\x64\\How to change "
         "USB mode.pdf\": CoInitializeSecurity 0x80070005; not opened\r\nbox"},
        {"monitor refused",
         [&](fake::FakePlatform& fakes) {
             monitorStaged(fakes);
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
        {"package files that cannot be removed stay, and are counted",
         [](fake::FakePlatform& fakes) { fakes.control.FailCall("DeleteFile", 5, 3); },
         {"/quiet", "/updateport"},
         0,
         "removing C:\\windows\\system32\\spool\\drivers\\x64\\Mirren-60.INI failed: error 5: "
         "system text for 5\r\npackage files removed: 30 of 33",
         3},
        {"package files whose folder is gone are no failure",
         [](fake::FakePlatform& fakes) { fakes.control.FailCall("DeleteFile", 3, 3); },
         {"/quiet", "/updateport"},
         0,
         "package files removed: 30 of 33",
         3},
        {"monitor settings already there: their key opened for writing",
         [](fake::FakePlatform& fakes) {
             fakes.registry.SetDwordValue(
                 "SYSTEM\\ControlSet001\\Control\\Print\\Monitors\\QAR USB Port\\Ports\\USB01:",
                 "Delay", 30);
         },
         kQuietInstall, 0,
         "registry key HKLM\\SYSTEM\\ControlSet001\\Control\\Print\\Monitors\\QAR USB "
         "Port\\Ports\\USB01: opened for writing\r\n"},
        {"uninstall, quiet",
         takenName,
         {"/quiet", "/uninstall", "/model", "nolle-60"},
         0,
         "queue \"Nolle-60\" removed",
         33},
        {"uninstall, quiet: the driver with its files",
         installed,
         {"/quiet", "/uninstall", "/model", "nolle-60"},
         0,
         // The key the installation made is read, which is no change, and then removed.
         "driver \"Nolle-60\" (Windows x64) with its unused files removed\r\n"
         "registry key HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT "
         "x86\\Drivers\\Version-3\\Nolle-60 removed",
         33},
        {"uninstall where the spooler keeps the files",
         [&](fake::FakePlatform& fakes) {
             installed(fakes);
             fakes.spooler.refusesDriverDeletionFlags = true;
         },
         {"/quiet", "/uninstall", "/model", "nolle-60"},
         0,
         "removing driver \"Nolle-60\" (Windows x64) with its unused files failed: error 87: "
         "system text for 87\r\n"
         "driver \"Nolle-60\" (Windows x64) removed",
         33},
        {"monitor added: the uninstall entry named where a 32-bit process writes it",
         [&](fake::FakePlatform& fakes) {
             monitorStaged(fakes);
             fakes.registry.AddKey(kUninstallParentKey);  // Windows always has it
         },
         {"/quiet", "/installusb"},
         0,
         "registry value "
         "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\_"
         "cutter USB Portt Monitor\\UninstallString = \"C:\\windows\\system32\\uninstallMn.exe\""},
        {"monitor added by a 64-bit process: the entry's key made where it is named",
         [&](fake::FakePlatform& fakes) {
             monitorStaged(fakes);
             fakes.registry.softwareKeysRedirected = false;
         },
         {"/quiet", "/installusb"},
         0,
         "registry key HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall created\r\n"
         "registry key HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\_cutter "
         "USB Portt Monitor created or opened for writing"},
        {"monitor port refused",
         [&](fake::FakePlatform& fakes) {
             monitorStaged(fakes);
             fakes.spooler.xcvAnswer = {true, 5};
         },
         {"/quiet", "/installusb"},
         1603,
         "monitor command AddPort _cutterUSB0: failed: error 5: system text for 5"},
        {"printer moved to USB001",
         [](fake::FakePlatform& fakes) {
             fakes.spooler.printers.push_back({"aaTZ-60", "COM1:", "aaTZ-60", "", "", "", ""});
         },
         {"/quiet", "/updateport"},
         0,
         "printer \"aaTZ-60\" set to port USB001"},
        {"printer move refused",
         [](fake::FakePlatform& fakes) {
             fakes.spooler.printers.push_back({"aaTZ-60", "COM1:", "aaTZ-60", "", "", "", ""});
             fakes.control.FailCall("SetPrinter", 5);
         },
         {"/quiet", "/updateport"},
         1603,
         "printer \"aaTZ-60\" set to port USB001 failed: error 5"},
        {"shown box of /uninstallusb",
         nullptr,
         {"/uninstallusb"},
         0,
         "box \"Modelprobe_u\": \"Please make sure that USB device isn't connecting now!\" "
         "answered OK"},
        {"uninstall answered No",
         [](fake::FakePlatform& fakes) {
             fakes.spooler.printers.push_back({"Nolle-60", "LPT1:", "Nolle-60", "", "", "", ""});
             fakes.ui.messageBoxAnswers.push_back(dialog_result::kNo);
         },
         {"/uninstall", "/model", "Nolle-60"},
         1602,
         "answered No",
         33},
        {"uninstall refused",
         [](fake::FakePlatform& fakes) {
             fakes.spooler.printers.push_back({"Nolle-60", "LPT1:", "Nolle-60", "", "", "", ""});
             fakes.control.FailCall("DeletePrinter", 5);
         },
         {"/quiet", "/uninstall", "/model", "Nolle-60"},
         1603,
         "removing queue \"Nolle-60\" failed: error 5",
         33},
    };
    for (const Case& test : cases) {
        Machine machine;
        if (test.prepare) test.prepare(machine.fakes);
        EXPECT_EQ(machine.RunWith(test.arguments), test.exitCode) << test.label;
        const std::string log = machine.Log();
        EXPECT_NE(log.find(test.logged), std::string::npos) << test.label << "\n" << log;
        EXPECT_EQ(machine.fakes.control.OpenHandles(), 0) << test.label;
        EXPECT_EQ(machine.PackageFilesLeft(), test.packageFilesLeft) << test.label;
        if (test.shownBox) {
            ASSERT_EQ(machine.fakes.ui.messageBoxes.size(), 1u) << test.label;
            EXPECT_TRUE(machine.fakes.ui.messageBoxes[0].text.starts_with(test.shownBox))
                << test.label << "\n"
                << machine.fakes.ui.messageBoxes[0].text;
        }
        if (test.packageFilesLeft == 0) {
            EXPECT_NE(log.find("package files removed: 33 of 33"), std::string::npos) << test.label;
        }
        // Cleaned once, whether the flow or the run did it; not at all when the files stay.
        EXPECT_EQ(machine.fakes.control.CountCalls("DeleteFile"),
                  test.packageFilesLeft == 33 ? 0u : 33u)
            << test.label;
        // A monitor's channel is no queue.
        EXPECT_EQ(log.find("queue \","), std::string::npos) << test.label << "\n" << log;
        // A clean run's log names no failure, unless the case is about one the run got past.
        if (test.exitCode == 0 &&
            std::string_view(test.logged).find(" failed: ") == std::string_view::npos) {
            EXPECT_EQ(log.find(" failed: "), std::string::npos) << test.label << "\n" << log;
        }
    }
}

TEST_F(CommandRunTest, BadLineOrUnwritableLogChangesNothing) {
    fakes.control.FailCall("CreateDirectory", 5, 1);
    EXPECT_EQ(RunWith(kQuietInstall), 1622);
    // The file the open made goes again when its facts cannot be read.
    fakes.control.FailCall("GetFinalPathNameByHandle", 5, 1);
    EXPECT_EQ(RunWith(kQuietInstall), 1622);
    EXPECT_FALSE(fakes.files.Exists(kLog));
    EXPECT_TRUE(fakes.ui.messageBoxes.empty());  // quiet: the refusal shows nothing
    EXPECT_EQ(PackageFilesLeft(), 33);
    EXPECT_TRUE(fakes.spooler.drivers.empty());
    EXPECT_EQ(RunWith({"/model", "Nolle-60"}), 87);
    ASSERT_EQ(fakes.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(fakes.ui.messageBoxes[0].text.substr(0, 29), "/model and /port go together\r");
    EXPECT_EQ(PackageFilesLeft(), 33);
    EXPECT_TRUE(fakes.spooler.drivers.empty());
}

// A standard user may make folders under ProgramData before the elevated run: whatever they plant
// there, the run writes nowhere but a plain file of its own and changes nothing else.
TEST(CommandRun, LogThatAnotherUserCouldHavePlantedIsRefused) {
    const std::string folder = "C:\\ProgramData\\QAR";
    const std::string log = folder + "\\install.log";
    const Account mallory{"PC\\mallory", "S-1-5-21-1-2-3-1001", false};
    const auto grantedTo = [](const Account& trustee, std::uint32_t rights) {
        Ownership ownership = fake::SystemOwned();
        ownership.grants.push_back({trustee, rights});
        return ownership;
    };
    const Account users{"BUILTIN\\Users", "S-1-5-32-545", false};
    const auto turnedIntoJunctionWhenHeld = [&](fake::FakeFileSystem& files) {
        files.folders.insert(folder);
        files.folders.insert("C:\\Windows\\System32");
        files.turnedIntoJunctionWhenHeld[folder] = "C:\\Windows\\System32";
    };
    struct Case {
        std::string path;
        std::function<void(fake::FakeFileSystem&)> plant;
        std::string reason;
        std::string madeElsewhere = {};  // a folder the run made and took back
    };
    const std::vector<Case> cases = {
        {log, [&](auto& files) { files.links[folder] = "C:\\Windows\\System32"; },
         "\"C:\\ProgramData\\QAR\" is a link (a junction or a symbolic link); a log is never "
         "written through one."},
        {log, [&](auto& files) { files.links[log] = "C:\\Windows\\win.ini"; },
         "it is a link (a junction or a symbolic link); a log is never written through one."},
        {log, [&](auto& files) { files.hardLinks[log] = 2; },
         "the file has 2 names (hard links); a log is only written to a file with one."},
        {log,
         [&](auto& files) {
             files.files[log] = "";
             files.reparsePoints.insert(log);
         },
         "it is a reparse point, which a log is never written to."},
        {log, [&](auto& files) { files.ownership[folder] = grantedTo(mallory, 0x100); },
         "lets PC\\mallory change or replace it"},  // FILE_WRITE_ATTRIBUTES, in the log's folder
        {log, [&](auto& files) { files.folders.insert(log); }, "it is a folder."},
        {log, [&](auto& files) { files.files[folder] = ""; },
         "\"C:\\ProgramData\\QAR\" is not a folder."},
        {"\\\\.\\COM1", nullptr, "it is not the full path of a file on a drive or a share."},
        {"\\\\.\\C:\\run.log", nullptr, "it is not the full path"},  // a device path, no share
        {"\\\\?\\C:\\run.log", nullptr, "it is not the full path"},
        {"logs\\run.log", nullptr, "it is not the full path"},
        {log + ":hidden", nullptr, "it is not the full path"},
        {"C:\\ProgramData\\\\install.log", nullptr, "it is not the full path"},  // an empty step
        // Windows drops the blank from a last step only: checked as QAR, written through "QAR ".
        {"C:\\ProgramData\\QAR \\install.log", nullptr,
         "\"QAR \" ends in a blank or a dot, which Windows drops from the end of a path but not "
         "from a folder inside it"},
        {"C:\\ProgramData\\QAR.\\install.log", nullptr, "\"QAR.\" ends in a blank or a dot"},
        {"C:\\ProgramData\\QAR\\install.log ", nullptr, "\"install.log \" ends in a blank"},
        {"C:\\ProgramData\\con\\install.log", nullptr,
         "\"con\" is a device name: Windows would open the device, not a file."},
        {"C:\\ProgramData\\QAR\\NUL.log", nullptr, "\"NUL.log\" is a device name"},
        {"C:\\ProgramData\\QAR\\com1 .txt", nullptr, "\"com1 .txt\" is a device name"},
        {"C:\\ProgramData\\LPT\xb2\\install.log", nullptr, "is a device name"},  // ² in 1252
        {log,
         [&](auto& files) {
             files.ownership[folder] = {mallory, false, {}};
         },
         "\"C:\\ProgramData\\QAR\" belongs to PC\\mallory, not to SYSTEM or the administrators, "
         "who could change or replace the log. An administrator should delete it, or take "
         "ownership of it"},
        {"C:\\ProgramData\\QAR\\deploy\\install.log",
         [&](auto& files) {
             files.folders.insert(folder + "\\deploy");
             files.ownership[folder] = grantedTo(users, file_right::kDeleteChild);
         },
         "\"C:\\ProgramData\\QAR\" lets BUILTIN\\Users change or replace it or what is in it. An "
         "administrator should remove that right"},
        {log, [&](auto& files) { files.ownership[folder] = grantedTo(mallory, 0x1F01FF); },
         "lets PC\\mallory change or replace it"},
        // Each of these alone lets its holder take the folder over.
        {log, [&](auto& files) { files.ownership[folder] = grantedTo(mallory, 0x40000); },
         "lets PC\\mallory change or replace it"},  // WRITE_DAC
        {log, [&](auto& files) { files.ownership[folder] = grantedTo(mallory, 0x80000); },
         "lets PC\\mallory change or replace it"},  // WRITE_OWNER
        {log, [&](auto& files) { files.ownership[folder] = grantedTo(mallory, 0x10000); },
         "lets PC\\mallory change or replace it"},  // DELETE
        {log,
         [&](auto& files) {
             files.ownership[folder] = {fake::SystemOwned().owner, true, {}};
         },
         "\"C:\\ProgramData\\QAR\" has no access control list"},
        // Adding a file is harmless in a folder on the way, not in the log's own.
        {log, [&](auto& files) { files.ownership[folder] = fake::ProgramDataOwnership(); },
         "\"C:\\ProgramData\\QAR\" lets BUILTIN\\Users add files to it."},
        {log,
         [&](auto& files) {
             files.files[log] = "";
             files.ownership[log] = {mallory, false, {}};
         },
         "the file belongs to PC\\mallory, not to SYSTEM or the administrators."},
        // Made by someone else between the look that found nothing and the run's own making.
        {log, [&](auto& files) { files.linkedOnceFoundMissing[folder] = "C:\\Windows\\System32"; },
         "\"C:\\ProgramData\\QAR\" is a link (a junction or a symbolic link); a log is never "
         "written through one."},
        // Holding the folder keeps it from being renamed or removed, not from becoming a junction
        // while it is empty: the file opened is then proven to lie elsewhere, and taken back.
        {log, turnedIntoJunctionWhenHeld,
         "\"C:\\ProgramData\\QAR\" became a link while the log was being opened; a log is never "
         "written through one."},
        // A folder above another: the one below is made and held where the junction leads.
        {folder + "\\deploy\\install.log", turnedIntoJunctionWhenHeld,
         "\"C:\\ProgramData\\QAR\" became a link while the log was being opened",
         "C:\\Windows\\System32\\deploy"},
    };
    for (const Case& test : cases) {
        Machine machine;
        machine.fakes.files.folders.insert("C:\\ProgramData");
        machine.fakes.files.ownership["C:\\ProgramData"] = fake::ProgramDataOwnership();
        if (test.plant) test.plant(machine.fakes.files);
        const auto filesBefore = machine.fakes.files.files;
        EXPECT_EQ(machine.RunWith({"/model", "Nolle-60", "/port", "COM1"}, test.path), 1622)
            << test.path;
        ASSERT_EQ(machine.fakes.ui.messageBoxes.size(), 1u) << test.path;
        EXPECT_NE(machine.fakes.ui.messageBoxes[0].text.find(test.reason), std::string::npos)
            << machine.fakes.ui.messageBoxes[0].text;
        EXPECT_EQ(machine.fakes.files.files, filesBefore) << test.path;
        if (!test.madeElsewhere.empty()) {
            EXPECT_FALSE(machine.fakes.files.folders.contains(test.madeElsewhere)) << test.path;
        }
        EXPECT_TRUE(machine.fakes.spooler.drivers.empty()) << test.path;
        EXPECT_EQ(machine.fakes.control.OpenHandles(), 0) << test.path;
    }
}

// Only a reparse point that names another place is a link; a deduplicated file or a cloud
// placeholder is what it holds.
TEST(CommandRun, OnlyNameSurrogateReparsePointsAreLinks) {
    constexpr std::uint32_t kFolder = 0x10;
    constexpr std::uint32_t kReparse = 0x400;
    const struct {
        std::uint32_t attributes;
        std::uint32_t tag;
        PathKind kind;
    } cases[] = {
        {kReparse | kFolder, 0xA0000003, PathKind::kLink},    // a junction or mount point
        {kReparse, 0xA000000C, PathKind::kLink},              // a symbolic link
        {kReparse, 0x80000013, PathKind::kFile},              // a deduplicated file
        {kReparse | kFolder, 0x9000001A, PathKind::kFolder},  // a cloud files placeholder
        {kFolder, 0, PathKind::kFolder},
        {0x20, 0, PathKind::kFile},
        {0x40, 0, PathKind::kOther},  // FILE_ATTRIBUTE_DEVICE
    };
    for (const auto& test : cases) {
        EXPECT_EQ(KindFromAttributes(test.attributes, test.tag), test.kind) << std::hex << test.tag;
    }
}

// Each ACE of a descriptor in string form, e.g. "A;OICI;FA;;;SY".
std::vector<std::string> Aces(std::string_view sddl) {
    std::vector<std::string> aces;
    for (std::size_t open = sddl.find('('); open != std::string_view::npos;
         open = sddl.find('(', open + 1)) {
        aces.emplace_back(sddl.substr(open + 1, sddl.find(')', open) - open - 1));
    }
    return aces;
}

TEST_F(CommandRunTest, MissingLogFoldersAreMadeWritableForAdministratorsOnly) {
    // What the run makes belongs to its own account where the token names the user as owner.
    fakes.files.thisAccount = {"PC\\admin", "S-1-5-21-1-2-3-500", true};
    fakes.files.folders.insert("C:\\ProgramData");
    // Users may add folders to ProgramData, but not replace or delete them.
    fakes.files.ownership["C:\\ProgramData"] = fake::ProgramDataOwnership();
    const std::string log = "C:\\ProgramData\\QAR\\deploy\\install.log";
    EXPECT_EQ(RunWith({"/quiet", "/model", "Nolle-60", "/port", "COM1"}, log), 0);
    // Each line whole: the clock's stamp, the event, the line's end.
    EXPECT_TRUE(fakes.files.Content(log).value_or("").ends_with("\r\n" + std::string(kStamp) +
                                                                "exit code 0\r\n"));
    // The next run takes the folders and the log as this one left them.
    EXPECT_EQ(RunWith({"/quiet", "/updateport"}, log), 0);
    EXPECT_NE(fakes.files.Content(log).value_or("").find("/updateport"), std::string::npos);
    EXPECT_FALSE(fakes.files.folderSecurity.contains("C:\\ProgramData"));
    // %SystemRoot%, where the README has administrators log, belongs to TrustedInstaller.
    const Account installer{"NT SERVICE\\TrustedInstaller",
                            "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"};
    fakes.files.ownership["C:\\windows"] = {installer, false, {{installer, 0x1F01FF}}};
    EXPECT_EQ(RunWith({"/quiet", "/updateport"}, "C:\\windows\\Logs\\Software\\qar.log"), 0);
    for (const char* folder : {"C:\\ProgramData\\QAR", "C:\\ProgramData\\QAR\\deploy"}) {
        ASSERT_TRUE(fakes.files.folderSecurity.contains(folder)) << folder;
        const std::string& security = fakes.files.folderSecurity.at(folder);
        // Protected, so nothing inherited from ProgramData lets users add files.
        EXPECT_TRUE(security.starts_with("D:P(")) << security;
        for (const std::string& ace : Aces(security)) {
            const std::string trustee = ace.substr(ace.rfind(';') + 1);
            const bool mayWrite =
                ace.find("FA") != std::string::npos || ace.find("FW") != std::string::npos ||
                ace.find("GA") != std::string::npos || ace.find("GW") != std::string::npos;
            EXPECT_TRUE(!mayWrite || trustee == "SY" || trustee == "BA") << ace;
            EXPECT_TRUE(ace.starts_with("A;")) << ace;
        }
    }
}

// The codes of a table's first column ("| 1167 | ...") or of the help's "Exit codes:" lines.
std::set<std::string> ExitCodesIn(const std::string& text, const std::regex& code) {
    std::set<std::string> codes;
    for (auto match = std::sregex_iterator(text.begin(), text.end(), code);
         match != std::sregex_iterator(); ++match) {
        codes.insert((*match)[1]);
    }
    return codes;
}

TEST_F(CommandRunTest, HelpShowsTheSwitchesAndDoesNothingElse) {
    EXPECT_EQ(RunWith({"/?"}), 0);
    ASSERT_EQ(fakes.ui.messageBoxes.size(), 1u);
    const std::string& help = fakes.ui.messageBoxes[0].text;
    EXPECT_NE(help.find("/uninstallusb"), std::string::npos);
    // The help's exit codes are the ones the README documents for administrators.
    std::ifstream readme(QAR_README);
    const std::string documented{std::istreambuf_iterator<char>(readme), {}};
    const std::size_t codesAt = help.find("Exit codes:");
    ASSERT_NE(codesAt, std::string::npos);
    const std::string helpCodes = help.substr(codesAt, help.find("Models:") - codesAt);
    EXPECT_EQ(ExitCodesIn(helpCodes, std::regex("(\\d+) ")),
              ExitCodesIn(documented, std::regex("\\n\\| (\\d+) \\|")))
        << helpCodes;
    EXPECT_EQ(PackageFilesLeft(), 33);
    EXPECT_FALSE(fakes.files.Exists(kLog));
}

}  // namespace
}  // namespace qar
