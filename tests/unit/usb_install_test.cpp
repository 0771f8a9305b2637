#include <gtest/gtest.h>

#include "app/main_dialog.h"
#include "discovery/usb_detector.h"
#include "fakes/fake_platform.h"

namespace qar {
namespace {

constexpr const char* kDirectory = "C:\\windows\\system32\\spool\\drivers\\x64";

// Runs the "Modelprobe" command on a main dialog whose manual installation was cancelled.
class UsbInstallTest : public ::testing::Test {
  protected:
    UsbInstallTest() {
        fakes.deviceSetup.expectedClass = kUsbPrintInterfaceClass;
        fakes.files.StageDriverFiles(kDirectory);
        for (std::string_view name : kPackageFileNames) {
            fakes.files.files[std::string(kDirectory) + "\\" + std::string(name)] = "package";
        }
        fakes.ui.selectPortScript = [](fake::FakeSelectPortWindow&, SelectPortHandler&) {};
        dialog.OnInitDialog(window);
        fakes.ui.messageBoxes.clear();
        // The cancelled start removed the package; put it back for the command.
        for (std::string_view name : kPackageFileNames) {
            fakes.files.files[std::string(kDirectory) + "\\" + std::string(name)] = "package";
        }
    }

    void PlugCutter(std::string_view serial, std::uint32_t port, std::string_view reply) {
        const std::string path = "\\\\?\\usb#vid_1a7e&pid_0001#" + std::string(serial) + "#{g}";
        fakes.deviceSetup.interfaces.push_back({path, port});
        fakes.files.devices[path + "\\"].reply.assign(reply.begin(), reply.end());
    }
    void DetectorWrites(std::string mode) {
        fakes.processes.programs[std::string(kDetectorPath)] = [this, mode] {
            fakes.files.files[std::string(kDetectorResultPath)] = "[UDevice]\nmode=" + mode + "\n";
        };
    }
    bool PackageFilesPresent() const {
        return fakes.files.Exists(std::string(kDirectory) + "\\Tolvar-60.INI");
    }

    fake::FakePlatform fakes;
    InstallState state;
    CModelprobe_uDlg dialog{fakes.platform, fakes.ui, state};
    fake::FakeMainDialogWindow window;
};

TEST_F(UsbInstallTest, OneCutterIsInstalledOnItsUsbPortAndThePackageStays) {
    PlugCutter("s1", 1, "QAR,1, Tolvar-60 ,");
    dialog.OnCommand(1000);
    const fake::FakePrinter* queue = fakes.spooler.FindPrinter("Tolvar-60");
    ASSERT_NE(queue, nullptr);
    EXPECT_EQ(queue->port, "USB001");
    ASSERT_EQ(fakes.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(fakes.ui.messageBoxes[0].text, "Add Tolvar-60 Printer driver Successfully");
    EXPECT_EQ(fakes.ui.messageBoxes[0].owner, fake::kFakeMainWindow);
    EXPECT_EQ(fakes.ui.warrantyOfferRuns, 1);
    EXPECT_EQ(fakes.control.CountCalls("CreateProcess"), 0u);
    EXPECT_TRUE(PackageFilesPresent());
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

TEST_F(UsbInstallTest, ClashAndYesAddsTheNumberedQueueOnTheUsbPort) {
    fakes.spooler.printers.push_back({"Tolvar-60", "LPT1:", "Mine", "WinPrint", "RAW", "", ""});
    PlugCutter("s1", 2, "QAR,1,Tolvar-60,");
    dialog.OnCommand(1000);
    ASSERT_EQ(fakes.ui.messageBoxes.size(), 2u);
    EXPECT_EQ(fakes.ui.messageBoxes[0].style, 0x34u);
    EXPECT_EQ(fakes.ui.messageBoxes[1].text, "Add Tolvar-60_1 Printer driver Successfully");
    EXPECT_EQ(fakes.spooler.FindPrinter("Tolvar-60_1")->port, "USB002");
    EXPECT_EQ(fakes.ui.warrantyOfferRuns, 1);
}

TEST_F(UsbInstallTest, NoCutterModeTwoShowsTheClipAndRetryInstallsOnceOneIsPlugged) {
    DetectorWrites("2");
    fakes.ui.connectionHelpScript = [this](fake::FakeConnectionHelpWindow&,
                                           ConnectionHelpHandler&) {
        PlugCutter("s1", 1, "QAR,1,Nolle-60,");
        return dialog_result::kOk;
    };
    dialog.OnCommand(1000);
    EXPECT_EQ(fakes.ui.connectionHelpPaths,
              std::vector<std::string>{"C:\\WINDOWS\\system32\\spool\\drivers\\x64\\usb_AVI.Avi"});
    EXPECT_EQ(fakes.spooler.FindPrinter("Nolle-60")->port, "USB001");
    EXPECT_EQ(fakes.control.CountCalls("CreateProcess"), 1u);
    EXPECT_TRUE(PackageFilesPresent());
}

// Where Windows is not in C:\WINDOWS the literal support folder is anyone's: nothing in it is
// started, read or played, and the guide comes from the real driver directory.
TEST_F(UsbInstallTest, SupportFolderThatIsNotTheDriverDirectoryIsNotUsed) {
    const std::string directory = "D:\\Windows\\system32\\spool\\drivers\\x64";
    fakes.spooler.driverDirectory = directory;
    fakes.files.files[std::string(kDetectorResultPath)] = "[UDevice]\nmode=2\n";
    fakes.ui.connectionHelpScript = fake::AskUsbTypeHelp;
    dialog.OnCommand(1000);
    EXPECT_EQ(fakes.control.CountCalls("CreateProcess"), 0u);
    EXPECT_EQ(fakes.control.CountCalls("GetPrivateProfileString"), 0u);
    EXPECT_EQ(fakes.ui.connectionHelpPaths, std::vector<std::string>{"NULL"});
    EXPECT_EQ(fakes.shell.openedByShell,
              std::vector<std::string>{directory + "\\How to change USB mode.pdf"});
}

TEST_F(UsbInstallTest, RepeatedRetriesLoopWithoutNesting) {
    DetectorWrites("2");
    int runs = 0;
    fakes.ui.connectionHelpScript = [&](fake::FakeConnectionHelpWindow&, ConnectionHelpHandler&) {
        return ++runs < 50 ? dialog_result::kOk : dialog_result::kCancel;
    };
    dialog.OnCommand(1000);
    EXPECT_EQ(runs, 50);
    EXPECT_EQ(fakes.control.CountCalls("CreateProcess"), 50u);
    EXPECT_FALSE(PackageFilesPresent());
}

TEST_F(UsbInstallTest, CancelInTheHelpDialogCleansUp) {
    DetectorWrites("1");
    dialog.OnCommand(1000);
    EXPECT_EQ(fakes.ui.connectionHelpPaths, std::vector<std::string>{"NULL"});
    EXPECT_FALSE(PackageFilesPresent());
    EXPECT_TRUE(fakes.ui.messageBoxes.empty());
}

TEST_F(UsbInstallTest, NoResultFileShowsTheInstructionPage) {
    dialog.OnCommand(1000);
    EXPECT_EQ(fakes.ui.connectionHelpPaths, std::vector<std::string>{"NULL"});
    EXPECT_EQ(fakes.ui.connectionHelpWindow.placement, (WindowPlacement{287, 262, 450, 224}));
}

TEST_F(UsbInstallTest, ForeignPrinterAloneGetsNoRequestAndTheDetectorRuns) {
    const std::string path = "\\\\?\\usb#vid_04b8&pid_0005#x#{g}";
    fakes.deviceSetup.interfaces.push_back({path, 1});
    fakes.files.devices[path + "\\"].reply = {'a', ','};
    dialog.OnCommand(1000);
    EXPECT_TRUE(fakes.files.devices[path + "\\"].received.empty());
    EXPECT_EQ(fakes.control.CountCalls("CreateFile"), 0u);
    EXPECT_EQ(fakes.control.CountCalls("CreateProcess"), 1u);
}

TEST_F(UsbInstallTest, MuteCutterEndsInTheFirstStepsErrorBox) {
    PlugCutter("s1", 1, "");
    fakes.files.devices.begin()->second.mute = true;
    dialog.OnCommand(1000);
    ASSERT_EQ(fakes.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(fakes.ui.messageBoxes[0].caption, "ERROR");
    EXPECT_EQ(fakes.ui.messageBoxes[0].text, "system text for 1801");
    // The start and the command asked for the folder; the refused step did not.
    EXPECT_EQ(fakes.control.CountCalls("GetPrinterDriverDirectory"), 2u);
    EXPECT_EQ(fakes.control.CountCalls("AddPrinterDriver"), 0u);
    EXPECT_TRUE(PackageFilesPresent());
}

TEST_F(UsbInstallTest, ModelNamesThatCouldLeaveTheirFolderOrNameADeviceAreRefused) {
    for (const char* reply :
         {"a,b,..\\evil,",    "a,b,x/y,",     "a,b,C:,",         "a,b,..,",
          "a,b,CON,",         "a,b,prn,",     "a,b,Aux,",        "a,b,nul.txt,",
          "a,b,COM1.INI,",    "a,b,com9,",    "a,b,LPT1,",       "a,b,lpt9.x.y,",
          "a,b,NUL .INI,",    "a,b,Com3  ,",  "a,b,Tolvar\t60,", "a,b,Tolvar-60\r\n,",
          "a,b,Tolvar\x7f,",  "a,b,\x1bR,",   "a,b,\x1f,",       "a,b,CONIN$,",
          "a,b,conout$.ini,", "a,b,COM\xb9,", "a,b,lpt\xb3.INI,"}) {
        fakes.deviceSetup.interfaces.clear();
        fakes.files.devices.clear();
        fakes.ui.messageBoxes.clear();
        PlugCutter("s1", 1, reply);
        dialog.OnCommand(1000);
        ASSERT_EQ(fakes.ui.messageBoxes.size(), 1u) << reply;
        EXPECT_EQ(fakes.ui.messageBoxes[0].text, "system text for 1801") << reply;
    }
    EXPECT_EQ(fakes.control.CountCalls("AddPrinterDriver"), 0u);
    EXPECT_EQ(fakes.control.CountCalls("RegCreateKey"), 0u);
}

TEST_F(UsbInstallTest, NamesThatOnlyLookLikeADeviceAreInstalled) {
    for (const char* model : {"COM10", "Console", "NUL-60", "LPT", "COM\xbc"}) {  // ¼ in 1252
        fakes.deviceSetup.interfaces.clear();
        fakes.files.devices.clear();
        PlugCutter("s1", 1, std::string("a,b,") + model + ",");
        fakes.files.files[std::string(kDirectory) + "\\" + model + ".INI"] = "model";
        dialog.OnCommand(1000);
        EXPECT_NE(fakes.spooler.FindPrinter(model), nullptr) << model;
    }
}

TEST_F(UsbInstallTest, ManualSelectionWinsOverTheReportedModel) {
    state.selectionMade = 1;
    state.selectedModel = "Corvel 24";
    PlugCutter("s1", 4, "a,b,Tolvar-60,");
    dialog.OnCommand(1000);
    const fake::FakePrinter* queue = fakes.spooler.FindPrinter("Corvel 24");
    ASSERT_NE(queue, nullptr);
    EXPECT_EQ(queue->port, "USB004");
}

}  // namespace
}  // namespace qar
