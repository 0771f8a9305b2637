#include <gtest/gtest.h>

#include "app/main_dialog.h"
#include "fakes/fake_platform.h"
#include "spooler/install_chain.h"

namespace qar {
namespace {

constexpr const char* kDirectory = "C:\\windows\\system32\\spool\\drivers\\x64";
constexpr const char* kCaption = "QAR Driver Installation";

// Runs a normal start: the main dialog's initialisation runs the manual installation.
class ManualInstallTest : public ::testing::Test {
  protected:
    ManualInstallTest() {
        for (std::string_view name : kPackageFileNames) {
            fakes.files.files[std::string(kDirectory) + "\\" + std::string(name)] = "package";
        }
        fakes.files.StageDriverFiles(kDirectory);
        fakes.files.files["C:\\windows\\SysWOW64\\KT4.PCD"] = "pcd";
        fakes.files.files["C:\\windows\\SysWOW64\\KT4LNG.INI"] = "lng";
    }

    void Choose(std::string port, std::string model) {
        fakes.ui.selectPortScript = [port, model](fake::FakeSelectPortWindow& window,
                                                  SelectPortHandler& handler) {
            window.ChoosePort(port);
            window.ChooseModel(model);
            handler.OnInstall();
        };
    }
    void CancelSelection() {
        fakes.ui.selectPortScript = [](fake::FakeSelectPortWindow& window, SelectPortHandler&) {
            window.EndDialog(dialog_result::kCancel);
        };
    }
    void Run() {
        CModelprobe_uDlg dialog(fakes.platform, fakes.ui, state);
        dialog.OnInitDialog(window);
    }
    bool PackageFilesGone() const {
        for (std::string_view name : kPackageFileNames) {
            if (fakes.files.Exists(std::string(kDirectory) + "\\" + std::string(name))) {
                return false;
            }
        }
        return true;
    }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : fakes.ui.messageBoxes) texts.push_back(box.text);
        return texts;
    }

    fake::FakePlatform fakes;
    InstallState state;
    fake::FakeMainDialogWindow window;
};

TEST_F(ManualInstallTest, ReinstallReplacesOlderSharedFilesInSystem32) {
    fakes.files.files["C:\\windows\\System32\\KT4.PCD"] = "older pcd";
    fakes.files.files["C:\\windows\\System32\\KT4LNG.INI"] = "older lng";
    Choose("COM1:", "Tolvar-60");
    Run();
    EXPECT_EQ(fakes.files.Content("C:\\windows\\System32\\KT4.PCD"), "pcd");
    EXPECT_EQ(fakes.files.Content("C:\\windows\\System32\\KT4LNG.INI"), "lng");
}

TEST_F(ManualInstallTest, FirstInstallShowsSuccessPortAndOfferThenCleansUp) {
    Choose("COM1:", "Tolvar-60");
    Run();

    ASSERT_EQ(BoxTexts(),
              (std::vector<std::string>{"Add Tolvar-60 Printer driver Successfully",
                                        "Your device is connected through the COM1: port now."}));
    for (const auto& box : fakes.ui.messageBoxes) {
        EXPECT_EQ(box.caption, kCaption);
        EXPECT_EQ(box.style, message_box::kOk);
        EXPECT_EQ(box.owner, fake::kFakeMainWindow);
    }
    EXPECT_EQ(fakes.ui.warrantyOfferRuns, 1);
    EXPECT_NE(fakes.spooler.FindPrinter("Tolvar-60"), nullptr);
    EXPECT_EQ(fakes.files.Content("C:\\windows\\System32\\KT4.PCD"), "pcd");
    EXPECT_EQ(fakes.files.Content("C:\\windows\\System32\\KT4LNG.INI"), "lng");
    EXPECT_TRUE(PackageFilesGone());
    EXPECT_TRUE(fakes.files.Exists(std::string(kDirectory) + "\\KT4_cx64.dll"));
    EXPECT_EQ(state.selectedPort, "COM1:");
    EXPECT_EQ(state.selectionMade, 1);
    EXPECT_EQ(window.endResult, dialog_result::kOk);
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

TEST_F(ManualInstallTest, RedirectionIsOffOnlyAroundTheTwoCopies) {
    Choose("COM1:", "Tolvar-60");
    Run();
    const auto& calls = fakes.control.Calls();
    auto position = [&](const std::string& call) {
        return std::find(calls.begin(), calls.end(), call) - calls.begin();
    };
    const auto off = position("Wow64EnableWow64FsRedirection(off)");
    const auto on = position("Wow64EnableWow64FsRedirection(on)");
    const auto firstCopy =
        position("CopyFile(C:\\windows\\SysWOW64\\KT4.PCD, C:\\windows\\System32\\KT4.PCD)");
    const auto secondCopy =
        position("CopyFile(C:\\windows\\SysWOW64\\KT4LNG.INI, C:\\windows\\System32\\KT4LNG.INI)");
    EXPECT_LT(off, firstCopy);
    EXPECT_LT(firstCopy, secondCopy);
    EXPECT_LT(secondCopy, on);
    EXPECT_LT(on, position("AddPrinterDriver(Tolvar-60)"));
    EXPECT_TRUE(fakes.files.redirectionEnabled);
}

TEST_F(ManualInstallTest, CancelledSelectionTouchesNothingButTheCleanUp) {
    CancelSelection();
    Run();
    EXPECT_TRUE(fakes.ui.messageBoxes.empty());
    EXPECT_EQ(fakes.control.CountCalls("AddPrinterDriver"), 0u);
    EXPECT_EQ(fakes.control.CountCalls("CopyFile"), 0u);
    EXPECT_EQ(fakes.control.CountCalls("RegCreateKey"), 0u);
    EXPECT_EQ(fakes.control.CountCalls("RegSetValueEx"), 0u);
    EXPECT_EQ(fakes.ui.warrantyOfferRuns, 0);
    EXPECT_TRUE(PackageFilesGone());
    EXPECT_EQ(state.selectionMade, 0);
    EXPECT_TRUE(state.selectedPort.empty());
}

TEST_F(ManualInstallTest, ClashAndYesAddsANumberedQueue) {
    fakes.spooler.printers.push_back({"Tolvar-60", "LPT2:", "Mine", "WinPrint", "RAW", "", ""});
    Choose("COM1:", "Tolvar-60");
    Run();

    ASSERT_EQ(fakes.ui.messageBoxes.size(), 3u);
    EXPECT_EQ(fakes.ui.messageBoxes[0].text,
              "The Tolvar-60 driver installed \n  Do you want add attachment");
    EXPECT_EQ(fakes.ui.messageBoxes[0].style, 0x34u);
    EXPECT_EQ(fakes.ui.messageBoxes[1].text, "Add Tolvar-60_1 Printer driver Successfully");
    EXPECT_EQ(fakes.ui.messageBoxes[1].style, 0x40u);
    EXPECT_EQ(fakes.ui.messageBoxes[2].text,
              "Your device is connected through the COM1: port now.");
    EXPECT_EQ(fakes.ui.warrantyOfferRuns, 1);
    const fake::FakePrinter* added = fakes.spooler.FindPrinter("Tolvar-60_1");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->driver, "Tolvar-60");
    EXPECT_EQ(fakes.spooler.FindPrinter("Tolvar-60")->port, "LPT2:");
    EXPECT_TRUE(PackageFilesGone());
}

TEST_F(ManualInstallTest, ClashAndNoStopsWithTheCleanUp) {
    fakes.spooler.printers.push_back({"Tolvar-60", "LPT2:", "Mine", "WinPrint", "RAW", "", ""});
    fakes.ui.messageBoxAnswers.push_back(dialog_result::kNo);
    Choose("COM1:", "Tolvar-60");
    Run();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{
                              "The Tolvar-60 driver installed \n  Do you want add attachment"});
    EXPECT_EQ(fakes.control.CountCalls("AddPrinterDriver"), 1u);
    EXPECT_EQ(fakes.spooler.printers.size(), 1u);
    EXPECT_EQ(fakes.ui.warrantyOfferRuns, 0);
    EXPECT_TRUE(PackageFilesGone());
}

TEST_F(ManualInstallTest, DriverRefusedShowsOnlyTheErrorBoxAndCleansUp) {
    fakes.control.FailCall("AddPrinterDriver", win32_error::kFileNotFound);
    Choose("COM1:", "Tolvar-60");
    Run();
    ASSERT_EQ(fakes.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(fakes.ui.messageBoxes[0].caption, "ERROR");
    EXPECT_EQ(fakes.ui.messageBoxes[0].owner, kNoWindow);
    EXPECT_EQ(fakes.ui.warrantyOfferRuns, 0);
    EXPECT_TRUE(PackageFilesGone());
}

TEST_F(ManualInstallTest, RetryAfterYesEndsAtTheFirstFailureThatIsNoClash) {
    fakes.spooler.printers.push_back({"Tolvar-60", "LPT2:", "Mine", "WinPrint", "RAW", "", ""});
    Choose("COM1:", "Tolvar-60");
    // The first pass registers its driver; every later registration is refused.
    fakes.control.FailCallAfter("AddPrinterDriver", 1, win32_error::kAccessDenied);
    Run();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{
                              "The Tolvar-60 driver installed \n  Do you want add attachment",
                              "system text for 5"}));
    EXPECT_EQ(fakes.ui.warrantyOfferRuns, 0);
    EXPECT_TRUE(PackageFilesGone());
}

TEST_F(ManualInstallTest, RetryGoesOnThroughSeveralClashes) {
    for (const char* name : {"Tolvar-60", "Tolvar-60_1", "Tolvar-60_2"}) {
        fakes.spooler.printers.push_back({name, "LPT2:", "Mine", "WinPrint", "RAW", "", ""});
    }
    Choose("LPT1:", "Tolvar-60");
    Run();
    EXPECT_NE(fakes.spooler.FindPrinter("Tolvar-60_3"), nullptr);
    EXPECT_EQ(state.clashCounter, 4);
    EXPECT_EQ(fakes.ui.messageBoxes.at(1).text, "Add Tolvar-60_3 Printer driver Successfully");
}

TEST_F(ManualInstallTest, OfferEndedWithOkAsksTheMainDialogToEnd) {
    Choose("COM1:", "Tolvar-60");
    Run();
    // Cancel after the selection, then again after the offer, finally the dialog's own OK.
    EXPECT_EQ(window.endRequests, 3);
}

TEST_F(ManualInstallTest, FailingFileCopiesDoNotStopTheInstallation) {
    fakes.control.FailCall("CopyFile", win32_error::kPathNotFound);
    Choose("COM1:", "Tolvar-60");
    Run();
    EXPECT_NE(fakes.spooler.FindPrinter("Tolvar-60"), nullptr);
    EXPECT_EQ(fakes.ui.warrantyOfferRuns, 1);
}

TEST_F(ManualInstallTest, NoDriverDirectoryMeansNothingIsDeleted) {
    fakes.control.FailCall("GetPrinterDriverDirectory", win32_error::kInsufficientBuffer);
    Choose("COM1:", "Tolvar-60");
    Run();
    EXPECT_EQ(fakes.control.CountCalls("DeleteFile"), 0u);
    EXPECT_FALSE(PackageFilesGone());
}

}  // namespace
}  // namespace qar
