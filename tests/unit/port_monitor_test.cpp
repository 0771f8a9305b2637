#include <gtest/gtest.h>

#include "app/main_dialog.h"
#include "fakes/fake_platform.h"
#include "spooler/port_monitor.h"

namespace qar {
namespace {

// Where the 32-bit program's entry really lands.
const std::string kEntryKey =
    "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
    std::string(kUninstallEntryKey);

class PortMonitorTest : public ::testing::Test {
  protected:
    PortMonitorTest() {
        fakes.files.files["C:\\windows\\system32\\qartemp\\qarum1Nt.dll"] = "monitor";
        fakes.files.files["C:\\windows\\system32\\qartemp\\uninstallMn.exe"] = "uninstaller";
    }
    void InstallMonitor() {
        fakes.spooler.monitors.push_back(
            {std::string(kMonitorName), std::string(kMonitorEnvironment), "qarum1Nt.dll"});
        fakes.spooler.monitorPorts[std::string(kMonitorName)] = {std::string(kCutterPort)};
    }

    fake::FakePlatform fakes;
    PortMonitorCommands commands{fakes.platform};
};

TEST_F(PortMonitorTest, AddPortRequestIsTheExact26Bytes) {
    const std::array<std::uint8_t, 26> expected = {0x5F, 0, 0x63, 0, 0x75, 0, 0x74, 0, 0x74, 0,
                                                   0x65, 0, 0x72, 0, 0x55, 0, 0x53, 0, 0x42, 0,
                                                   0x30, 0, 0x3A, 0, 0,    0};
    EXPECT_EQ(AddPortRequest(), expected);
}

TEST_F(PortMonitorTest, InstallCopiesAddsAndRecordsTheUninstallEntry) {
    EXPECT_EQ(commands.InstallCutterMonitor(), 1);
    EXPECT_EQ(fakes.files.Content("C:\\windows\\system32\\qarum1Nt.dll"), "monitor");
    EXPECT_EQ(fakes.files.Content("C:\\windows\\system32\\uninstallMn.exe"), "uninstaller");
    EXPECT_EQ(fakes.control.CallsNamed("AddMonitor").at(0),
              "AddMonitor(_cutter USB Port, Windows x64, qarum1Nt.dll)");
    EXPECT_EQ(fakes.registry.StringValue(kEntryKey, "_Cutter USB Monitor"),
              "_cutter USB Port Monitor");
    EXPECT_EQ(fakes.registry.StringValue(kEntryKey, "UninstallString"),
              "C:\\windows\\system32\\uninstallMn.exe");
    // REG_SZ sizes count the terminator.
    EXPECT_EQ(fakes.registry.FindValue(kEntryKey, "UninstallString")->data.size(),
              std::string("C:\\windows\\system32\\uninstallMn.exe").size() + 1);
    EXPECT_EQ(fakes.control.CountCalls("EnumMonitors"), 1u);
    EXPECT_EQ(fakes.control.CallsNamed("EnumMonitors").at(0), "EnumMonitors(4096)");
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

// The copies run with redirection off (MonitorCommandTest checks the whole call order); a failed
// copy still switches it back on, and nothing follows.
TEST_F(PortMonitorTest, RedirectionIsBackOnAfterAFailedCopy) {
    fakes.control.FailCallAfter("CopyFile", 1, 5);
    EXPECT_EQ(commands.InstallCutterMonitor(), 0);
    EXPECT_EQ(fakes.control.Calls().back(), "Wow64EnableWow64FsRedirection(on)");
    EXPECT_TRUE(fakes.files.redirectionEnabled);
}

TEST_F(PortMonitorTest, MonitorAlreadyPresentCopiesNothing) {
    InstallMonitor();
    EXPECT_EQ(commands.InstallCutterMonitor(), 0);
    EXPECT_EQ(fakes.control.CountCalls("CopyFile"), 0u);
    EXPECT_EQ(fakes.control.CountCalls("AddMonitor"), 0u);
}

TEST_F(PortMonitorTest, MonitorNameIsComparedCaseSensitively) {
    fakes.spooler.monitors.push_back({"_CUTTER USB PORT", "Windows x64", "other.dll"});
    EXPECT_EQ(commands.InstallCutterMonitor(), 0);  // the spooler refuses the clash itself
    EXPECT_EQ(fakes.control.CountCalls("CopyFile"), 2u);
    EXPECT_EQ(fakes.control.CountCalls("AddMonitor"), 1u);
}

TEST_F(PortMonitorTest, StagingFolderWithoutTheMonitorStopsAfterTheFailedCopy) {
    fakes.files.files.erase("C:\\windows\\system32\\qartemp\\qarum1Nt.dll");
    EXPECT_EQ(commands.InstallCutterMonitor(), 0);
    EXPECT_EQ(fakes.control.CountCalls("CopyFile"), 1u);
    EXPECT_EQ(fakes.control.CountCalls("AddMonitor"), 0u);
    EXPECT_FALSE(fakes.registry.HasKey(kEntryKey));
}

TEST_F(PortMonitorTest, StagingFolderWithoutTheUninstallerKeepsTheCopiedMonitor) {
    fakes.files.files.erase("C:\\windows\\system32\\qartemp\\uninstallMn.exe");
    EXPECT_EQ(commands.InstallCutterMonitor(), 0);
    EXPECT_TRUE(fakes.files.Exists("C:\\windows\\system32\\qarum1Nt.dll"));
    EXPECT_EQ(fakes.control.CountCalls("AddMonitor"), 0u);
}

TEST_F(PortMonitorTest, EnumerationBeyondItsBufferInstallsNothing) {
    for (int index = 0; index < 300; ++index) {
        fakes.spooler.monitors.push_back({"Monitor " + std::to_string(index), "", "m.dll"});
    }
    EXPECT_EQ(commands.InstallCutterMonitor(), 0);
    EXPECT_EQ(fakes.control.CountCalls("CopyFile"), 0u);
}

// Each path has a 256-byte buffer: the longest, the uninstaller's staged copy, needs 255
// characters and its terminator at most.
TEST_F(PortMonitorTest, MonitorPathsThatLeaveNoRoomForTheirTerminatorAreNotCopied) {
    for (const std::size_t longest : {255u, 256u}) {
        fake::FakePlatform machine;
        const std::string system = "C:\\" + std::string(longest - 27, 's');
        machine.files.systemDirectory = system;
        for (const char* name : {"qarum1Nt.dll", "uninstallMn.exe"}) {
            machine.files.files[system + "\\qartemp\\" + name] = "x";
        }
        EXPECT_EQ(PortMonitorCommands(machine.platform).InstallCutterMonitor(), longest == 255)
            << longest;
    }
}

TEST_F(PortMonitorTest, SystemFolderThatCannotBeReadInstallsNothing) {
    fakes.control.FailCall("GetSystemDirectory", win32_error::kInsufficientBuffer);
    EXPECT_EQ(commands.InstallCutterMonitor(), 0);
    EXPECT_EQ(fakes.control.CountCalls("CopyFile"), 0u);
}

TEST_F(PortMonitorTest, RefusedMonitorWritesNoUninstallEntry) {
    fakes.control.FailCall("AddMonitor", win32_error::kModuleNotFound);
    EXPECT_EQ(commands.InstallCutterMonitor(), 0);
    EXPECT_FALSE(fakes.registry.HasKey(kEntryKey));
}

TEST_F(PortMonitorTest, UninstallEntryFailuresAfterTheMonitorStillGiveOne) {
    fakes.control.FailCall("RegOpenKeyEx", win32_error::kAccessDenied);
    fakes.control.FailCall("RegCreateKey", win32_error::kAccessDenied);
    EXPECT_EQ(commands.InstallCutterMonitor(), 1);
    EXPECT_TRUE(fakes.spooler.HasMonitor(kMonitorName));
    EXPECT_FALSE(fakes.registry.HasKey(kEntryKey));
}

TEST_F(PortMonitorTest, EntryKeyThatCannotBeCreatedWritesNothing) {
    fakes.registry.AddKey(kUninstallParentKey);
    fakes.control.FailCall("RegCreateKey", win32_error::kAccessDenied);
    EXPECT_EQ(commands.InstallCutterMonitor(), 1);
    EXPECT_EQ(fakes.control.CountCalls("RegSetValueEx"), 0u);
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

TEST_F(PortMonitorTest, AddPortSendsTheRequestOverTheMonitorsChannel) {
    InstallMonitor();
    EXPECT_EQ(commands.AddCutterPort(), 1);
    ASSERT_EQ(fakes.spooler.xcvRequests.size(), 1u);
    const fake::XcvRequest& request = fakes.spooler.xcvRequests[0];
    EXPECT_EQ(request.channel, ",XcvMonitor _cutter USB Port");
    EXPECT_EQ(request.command, u"AddPort");
    EXPECT_EQ(request.input.size(), 26u);
    EXPECT_EQ(request.outputCapacity, 260u);
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

TEST_F(PortMonitorTest, AddPortIsOneOnceTheChannelOpenedEvenWhenRefused) {
    InstallMonitor();
    fakes.spooler.xcvAnswer = {false, win32_error::kAccessDenied};
    EXPECT_EQ(commands.AddCutterPort(), 1);
}

TEST_F(PortMonitorTest, AddPortIsZeroWhenTheChannelDoesNotOpen) {
    EXPECT_EQ(commands.AddCutterPort(), 0);
    EXPECT_TRUE(fakes.spooler.xcvRequests.empty());
}

TEST_F(PortMonitorTest, RemovalsWithNothingToRemoveGiveZero) {
    EXPECT_EQ(commands.RemoveCutterMonitor(), 0);
    EXPECT_EQ(commands.RemoveCutterPort(0x99), 0);
    InstallMonitor();
    EXPECT_EQ(commands.RemoveCutterPort(0x99), 1);
    EXPECT_EQ(commands.RemoveCutterMonitor(), 1);
}

class MonitorCommandTest : public PortMonitorTest {
  protected:
    MonitorCommandTest() {
        fakes.ui.selectPortScript = [](fake::FakeSelectPortWindow&, SelectPortHandler&) {};
        dialog.OnInitDialog(window);
        fakes.control.Reset();
    }
    InstallState state;
    CModelprobe_uDlg dialog{fakes.platform, fakes.ui, state};
    fake::FakeMainDialogWindow window;
};

TEST_F(MonitorCommandTest, InstallUsbWarnsRemovesInstallsAndAddsThePort) {
    dialog.OnCommand(1002);
    ASSERT_EQ(fakes.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(fakes.ui.messageBoxes[0].text, "Please Don't connect USB");
    EXPECT_EQ(fakes.ui.messageBoxes[0].caption, "QAR");
    EXPECT_EQ(fakes.ui.messageBoxes[0].style, message_box::kOk);
    EXPECT_EQ(fakes.ui.messageBoxes[0].owner, fake::kFakeMainWindow);
    std::vector<std::string> spoolerCalls;
    for (const std::string& call : fakes.control.Calls()) {
        const std::string name = call.substr(0, call.find('('));
        if (name != "MessageBox" && name.find("Reg") != 0) spoolerCalls.push_back(name);
    }
    EXPECT_EQ(spoolerCalls,
              (std::vector<std::string>{"DeletePort", "DeleteMonitor", "EnumMonitors",
                                        "GetSystemDirectory", "Wow64EnableWow64FsRedirection",
                                        "CopyFile", "CopyFile", "Wow64EnableWow64FsRedirection",
                                        "AddMonitor", "OpenPrinter", "XcvData", "ClosePrinter"}));
    EXPECT_TRUE(fakes.spooler.HasMonitor(kMonitorName));
    EXPECT_EQ(fakes.spooler.xcvRequests.size(), 1u);
}

TEST_F(MonitorCommandTest, InstallUsbTwiceEndsInTheSameState) {
    dialog.OnCommand(1002);
    dialog.OnCommand(1002);
    EXPECT_EQ(std::count_if(fakes.spooler.monitors.begin(), fakes.spooler.monitors.end(),
                            [](const MonitorInfo2& m) { return m.name == kMonitorName; }),
              1);
    EXPECT_EQ(fakes.control.CountCalls("AddMonitor"), 2u);
    EXPECT_EQ(fakes.spooler.xcvRequests.size(), 2u);
}

TEST_F(MonitorCommandTest, InstallUsbWithoutStagedMonitorStillTriesThePortSilently) {
    fakes.files.files.erase("C:\\windows\\system32\\qartemp\\qarum1Nt.dll");
    dialog.OnCommand(1002);
    EXPECT_EQ(fakes.ui.messageBoxes.size(), 1u);
    EXPECT_FALSE(fakes.spooler.HasMonitor(kMonitorName));
    EXPECT_EQ(fakes.control.CountCalls("OpenPrinter"), 1u);
}

TEST_F(MonitorCommandTest, UninstallUsbWarnsWithTheApplicationsNameAndRemovesBoth) {
    InstallMonitor();
    dialog.OnCommand(1003);
    ASSERT_EQ(fakes.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(fakes.ui.messageBoxes[0].text,
              "Please make sure that USB device isn't connecting now!");
    EXPECT_EQ(fakes.ui.messageBoxes[0].caption, "Modelprobe_u");
    EXPECT_FALSE(fakes.spooler.HasMonitor(kMonitorName));
    // Nothing left to remove is no failure, and nothing else goes.
    EXPECT_EQ(PortMonitorCommands(fakes.platform).OnUninstallUsb(kNoWindow), FlowOutcome::kDone);
    EXPECT_EQ(fakes.ui.messageBoxes.size(), 2u);
    EXPECT_TRUE(fakes.spooler.HasMonitor("Local Port"));
    EXPECT_EQ(fakes.control.CountCalls("DeleteFile"), 0u);
    // A monitor that cannot delete its ports answers 50 too: a port still listed is no success.
    InstallMonitor();
    fakes.control.FailCall("DeletePort", win32_error::kNotSupported);
    EXPECT_EQ(PortMonitorCommands(fakes.platform).OnUninstallUsb(kNoWindow), FlowOutcome::kFailed);
}

}  // namespace
}  // namespace qar
