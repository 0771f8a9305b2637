#include <gtest/gtest.h>

#include "dialogs/avi_player.h"
#include "dialogs/connection_help_layout.h"
#include "fakes/fake_platform.h"

namespace qar {
namespace {

TEST(AviPlayerPage, OnlyCapitalNulChoosesTheInstructionPage) {
    EXPECT_TRUE(AviPlayer::IsInstructionPage("NULL"));
    EXPECT_TRUE(AviPlayer::IsInstructionPage("NUL"));
    EXPECT_TRUE(AviPlayer::IsInstructionPage("NULx"));
    EXPECT_FALSE(AviPlayer::IsInstructionPage("null"));
    EXPECT_FALSE(AviPlayer::IsInstructionPage("Null"));
    EXPECT_FALSE(AviPlayer::IsInstructionPage(""));
    EXPECT_FALSE(AviPlayer::IsInstructionPage("NU"));
    EXPECT_FALSE(AviPlayer::IsInstructionPage(kUsbClipPath));
}

TEST(AviPlayerPlacement, BothPagesOnA1024By768Screen) {
    EXPECT_EQ(AviPlayer::Placement(false, 1024, 768), (WindowPlacement{312, 194, 400, 360}));
    EXPECT_EQ(AviPlayer::Placement(true, 1024, 768), (WindowPlacement{287, 262, 450, 224}));
}

TEST(AviPlayerPlacement, AnimationRectangleIsShrunkThenMovedUp) {
    EXPECT_EQ(connection_help_layout::AnimationRect({0, 0, 394, 331}), (Rect{38, 17, 416, 216}));
    // 14 / 5.0 = 2.8 shrinks by 2; -10 * 0.25 = -2.5 moves up by 2: truncation toward zero.
    EXPECT_EQ(connection_help_layout::AnimationRect({0, 0, 100, 14}), (Rect{38, 0, 122, 10}));
}

TEST(AviPlayerText, LinesOfEachPage) {
    // A 450-pixel window with a dialog frame has a client area 444 wide.
    const auto instruction = AviPlayer::Lines(true, 444);
    ASSERT_EQ(instruction.size(), 3u);
    for (const TextLine& line : instruction) {
        EXPECT_EQ(line.text.size(), 54u);
        // The whole line, 54 characters of 8 pixels, centred in the client area.
        EXPECT_EQ(line.rect.right - line.rect.left, 54 * AviPlayer::kTextCharacterWidth);
        EXPECT_EQ(line.rect.left, 6);
    }
    EXPECT_EQ(instruction[0].rect, (Rect{6, 20, 438, 55}));
    EXPECT_EQ(instruction[2].rect, (Rect{6, 130, 438, 165}));
    // A client area narrower than a line keeps its first characters in view.
    EXPECT_EQ(AviPlayer::Lines(true, 400)[1].rect.left, 0);
    const auto animation = AviPlayer::Lines(false, 394);
    ASSERT_EQ(animation.size(), 2u);
    EXPECT_EQ(animation[0].text, "Device not detected.");
    EXPECT_EQ(animation[1].rect, (Rect{6, 270, 386, 305}));
}

class AviPlayerTest : public ::testing::Test {
  protected:
    fake::FakePlatform fakes;
    AviPlayer help{fakes.shell, fakes.ui};
    fake::FakeConnectionHelpWindow window;
};

TEST_F(AviPlayerTest, AnimationPageHidesTheHelpButtonsAndKeepsAnimating) {
    help.SetMediaPath(kUsbClipPath);
    help.OnInitDialog(window);
    EXPECT_TRUE(window.helpButtonsHidden);
    EXPECT_TRUE(help.AnimationEnabled());
    EXPECT_EQ(window.placement, (WindowPlacement{312, 194, 400, 360}));
}

TEST_F(AviPlayerTest, InstructionPageKeepsItsButtonsAndStopsTheAnimation) {
    help.SetMediaPath(kNoClip);
    help.OnInitDialog(window);
    EXPECT_FALSE(window.helpButtonsHidden);
    EXPECT_FALSE(help.AnimationEnabled());
    EXPECT_EQ(window.placement, (WindowPlacement{287, 262, 450, 224}));
}

TEST_F(AviPlayerTest, HelpButtonHandsTheDocumentToTheUserShellEachTime) {
    help.SetMediaPath(kNoClip);
    help.OnInitDialog(window);
    help.OnUsbTypeHelp();
    help.OnUsbTypeHelp();
    EXPECT_EQ(fakes.shell.openedByShell,
              (std::vector<std::string>(2, std::string(kUsbModeHelpPath))));
    EXPECT_TRUE(fakes.shell.explorerTargets.empty());
    EXPECT_TRUE(fakes.ui.messageBoxes.empty());
}

// Each way the machine may be: the shell's own route, Explorer, or a box naming the document.
// The choice is the shell seam's own (Shell::OpenInUserShell), shared with the warranty offer.
TEST_F(AviPlayerTest, HelpDocumentGoesTheWayTheDesktopAllows) {
    struct Machine {
        bool shellRoute, desktopShell, explorerStarts;
        std::size_t byShell, byExplorer, boxes;
        bool comHardened = true;
    };
    const Machine machines[] = {
        {true, true, true, 1, 0, 0},
        {true, false, true, 1, 0, 0},  // the route starts nothing here, shell window or not
        {false, true, true, 0, 1, 0},
        {false, true, false, 0, 1, 1},  // Explorer that does not start (WinExec 31 or less)
        {false, false, true, 0, 0, 1},
        // COM security refused: nothing may talk to the desktop's Explorer, nor start one.
        {true, true, true, 0, 0, 1, false},
    };
    for (const Machine& machine : machines) {
        fake::FakePlatform world;
        world.shell.shellRouteAvailable = machine.shellRoute;
        world.shell.desktopShellPresent = machine.desktopShell;
        world.shell.explorerStarts = machine.explorerStarts;
        world.shell.comHardened = machine.comHardened;
        AviPlayer player(world.shell, world.ui);
        player.SetMediaPath(kNoClip);
        player.OnInitDialog(window);
        player.OnUsbTypeHelp();
        SCOPED_TRACE(std::to_string(machine.shellRoute) + std::to_string(machine.desktopShell) +
                     std::to_string(machine.explorerStarts) + std::to_string(machine.comHardened));
        const std::string target(kUsbModeHelpPath);
        EXPECT_EQ(world.shell.openedByShell, std::vector<std::string>(machine.byShell, target));
        EXPECT_EQ(world.shell.explorerTargets,
                  std::vector<std::string>(machine.byExplorer, target));
        EXPECT_EQ(world.ui.messageBoxes.size(), machine.boxes);
    }
}

TEST_F(AviPlayerTest, WithoutADesktopShellABoxOverTheDialogNamesTheDocument) {
    fakes.shell.shellRouteAvailable = false;
    fakes.shell.desktopShellPresent = false;
    help.SetMediaPath(kNoClip);
    help.OnInitDialog(window);
    help.OnUsbTypeHelp();
    ASSERT_EQ(fakes.ui.messageBoxes.size(), 1u);
    const fake::ShownMessageBox& box = fakes.ui.messageBoxes[0];
    EXPECT_EQ(box.text,
              "Please open this guide yourself:\nC:\\WINDOWS\\system32\\spool\\drivers\\x64\\"
              "How to change USB mode.pdf");
    EXPECT_EQ(box.caption, "QAR Driver Installation");
    EXPECT_EQ(box.style, message_box::kOk | message_box::kIconInformation);
    EXPECT_EQ(box.owner, window.Handle());
    EXPECT_TRUE(fakes.shell.explorerTargets.empty());
}

}  // namespace
}  // namespace qar
