#include <gtest/gtest.h>

#include "app/main_dialog.h"
#include "app/main_dialog_layout.h"
#include "app/modelprobe_app.h"
#include "fakes/fake_platform.h"

namespace qar {
namespace {

class MainDialogTest : public ::testing::Test {
  protected:
    fake::FakePlatform fakes;
    InstallState state;
};

TEST_F(MainDialogTest, ConstructionEmptiesThePackageList) {
    state.packageFiles.Append("left over");
    CModelprobe_uDlg dialog(fakes.platform, fakes.ui, state);
    EXPECT_EQ(state.packageFiles.Count(), 0u);
}

TEST_F(MainDialogTest, InitialisationResetsSelectionFillsListAndEndsWithOk) {
    state.selectedPort = "COM3:";
    state.selectedModel = "Nolle-60";
    state.selectionMade = 1;
    fakes.ui.selectPortScript = [](fake::FakeSelectPortWindow&, SelectPortHandler&) {};
    CModelprobe_uDlg dialog(fakes.platform, fakes.ui, state);
    fake::FakeMainDialogWindow window;

    EXPECT_TRUE(dialog.OnInitDialog(window));

    EXPECT_TRUE(state.selectedPort.empty());
    EXPECT_TRUE(state.selectedModel.empty());
    EXPECT_EQ(state.selectionMade, 0);
    ASSERT_EQ(state.packageFiles.Count(), 33u);
    EXPECT_EQ(state.packageFiles.At(0), "~QarUDev.dat");
    EXPECT_EQ(state.packageFiles.At(32), "Ristan-183.INI");
    EXPECT_EQ(window.endResult, dialog_result::kOk);
    EXPECT_EQ(window.iconsSet, 1);
}

TEST_F(MainDialogTest, SecondInitialisationOfTheSameDialogAppendsASecondCopy) {
    CModelprobe_uDlg dialog(fakes.platform, fakes.ui, state);
    fake::FakeMainDialogWindow window;
    dialog.OnInitDialog(window);
    dialog.OnInitDialog(window);
    EXPECT_EQ(state.packageFiles.Count(), 66u);
}

TEST_F(MainDialogTest, SystemMenuGetsSeparatorAndAboutItem) {
    CModelprobe_uDlg dialog(fakes.platform, fakes.ui, state);
    fake::FakeMainDialogWindow window;
    dialog.OnInitDialog(window);
    EXPECT_EQ(window.systemMenu, (std::vector<std::string>{"-", "16:&About Modelprobe_u..."}));
}

TEST_F(MainDialogTest, EmptyAboutStringLeavesTheSystemMenuAlone) {
    CModelprobe_uDlg dialog(fakes.platform, fakes.ui, state);
    fake::FakeMainDialogWindow window;
    window.stringText.clear();
    dialog.OnInitDialog(window);
    EXPECT_TRUE(window.systemMenu.empty());
}

TEST_F(MainDialogTest, NoSystemMenuMeansNoAboutItem) {
    CModelprobe_uDlg dialog(fakes.platform, fakes.ui, state);
    fake::FakeMainDialogWindow window;
    window.systemMenuPresent = false;
    dialog.OnInitDialog(window);
    EXPECT_TRUE(window.systemMenu.empty());
    EXPECT_EQ(window.iconsSet, 1);
}

TEST_F(MainDialogTest, SystemCommandsAreMaskedBeforeTheAboutTest) {
    CModelprobe_uDlg dialog(fakes.platform, fakes.ui, state);
    fake::FakeMainDialogWindow window;
    dialog.OnInitDialog(window);

    EXPECT_TRUE(dialog.OnSysCommand(0x0010));
    EXPECT_TRUE(dialog.OnSysCommand(0x0013));
    EXPECT_FALSE(dialog.OnSysCommand(0x0020));
    EXPECT_FALSE(dialog.OnSysCommand(0xF060));  // SC_CLOSE goes to the default handling
    EXPECT_EQ(fakes.ui.aboutRuns, 2);
    EXPECT_EQ(fakes.control.CallsNamed("DialogBox").back(), "DialogBox(100, owner 4128)");
}

TEST_F(MainDialogTest, CommandTableRoutesEachButtonToItsHandler) {
    fakes.ui.selectPortScript = [](fake::FakeSelectPortWindow&, SelectPortHandler&) {};
    CModelprobe_uDlg dialog(fakes.platform, fakes.ui, state);
    // Each handler is known by the first platform call only it makes.
    const std::pair<std::uint32_t, std::string> routes[] = {
        {1000, "SetupDiGetClassDevs()"},
        {1001, "EnumPrinters()"},
        {1002, "MessageBox(QAR, Please Don't connect USB)"},
        {1003, "MessageBox(Modelprobe_u, Please make sure that USB device isn't connecting now!)"},
        {1004, "DialogBox(105)"},
    };
    for (const auto& [id, firstCall] : routes) {
        fakes.control.Reset();
        EXPECT_TRUE(dialog.OnCommand(id)) << id;
        const auto& calls = fakes.control.Calls();
        EXPECT_NE(std::find(calls.begin(), calls.end(), firstCall), calls.end()) << id;
    }
    for (std::uint32_t id : {1u, 2u, 999u, 1005u, 1007u}) {
        fakes.control.Reset();
        EXPECT_FALSE(dialog.OnCommand(id)) << id;
        EXPECT_TRUE(fakes.control.Calls().empty()) << id;
    }
    // The help command (F1) is taken, and does nothing at all: there is no help to open.
    fakes.control.Reset();
    EXPECT_TRUE(dialog.OnCommand(57670));
    EXPECT_TRUE(fakes.control.Calls().empty());
}

TEST_F(MainDialogTest, MinimisedIconIsCentredWithRoundingUp) {
    const IconOrigin origin = main_dialog_layout::MinimisedIconOrigin(160, 31, 32, 32);
    EXPECT_EQ(origin.x, 64);
    EXPECT_EQ(origin.y, 0);
    const IconOrigin odd = main_dialog_layout::MinimisedIconOrigin(101, 50, 32, 32);
    EXPECT_EQ(odd.x, 35);
    EXPECT_EQ(odd.y, 9);
}

TEST_F(MainDialogTest, ApplicationRunsTheMainDialogOnceAndReturnsFalse) {
    CModelprobe_uApp app(fakes.platform, fakes.ui, state);
    bool commandRanAfterEnd = false;
    fakes.ui.whileMainDialogOpen.push_back([&](MainDialogHandler&) { commandRanAfterEnd = true; });

    EXPECT_FALSE(app.InitInstance());

    EXPECT_EQ(fakes.control.CallsNamed("DialogBox").front(), "DialogBox(102)");
    EXPECT_EQ(fakes.ui.selectPortRuns, 1);
    EXPECT_EQ(fakes.ui.mainWindow.endResult, dialog_result::kOk);
    EXPECT_FALSE(commandRanAfterEnd);
    EXPECT_EQ(state.packageFiles.Count(), 33u);
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

}  // namespace
}  // namespace qar
