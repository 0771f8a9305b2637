#include <gtest/gtest.h>

#include "dialogs/extend_protect.h"
#include "dialogs/warranty_offer_layout.h"
#include "fakes/fake_platform.h"

namespace qar {
namespace {

class ExtendProtectTest : public ::testing::Test {
  protected:
    ExtendProtectTest() { offer.OnInitDialog(window); }

    fake::FakePlatform fakes;
    ExtendProtectAP offer{fakes.shell, fakes.ui};
    fake::FakeWarrantyOfferWindow window;
};

TEST_F(ExtendProtectTest, StartsWithNothingPressedOrHovered) {
    EXPECT_EQ(offer.pressed(), 0);
    EXPECT_EQ(offer.hoverArea(), 0);
    EXPECT_FALSE(offer.WantsHandCursor());
}

TEST_F(ExtendProtectTest, HoverStateTable) {
    struct Move {
        int x, y, expected;
    };
    const Move moves[] = {
        {10, 10, 0},    // neither
        {100, 250, 1},  // into the left area
        {120, 260, 1},  // inside it
        {300, 250, 0},  // straight into the right area passes through neither
        {300, 251, 2},  // the right area is taken at the next move
        {389, 274, 2},  // its last inside pixel
        {390, 274, 0},  // its right edge is outside
    };
    for (const Move& move : moves) {
        offer.OnMouseMove(move.x, move.y);
        EXPECT_EQ(offer.hoverArea(), move.expected) << move.x << "," << move.y;
    }
}

TEST_F(ExtendProtectTest, AreaEdgesFollowTheRectangleRules) {
    EXPECT_FALSE(warranty_offer_layout::kLeftArea.Contains({178, 250}));
    EXPECT_TRUE(warranty_offer_layout::kLeftArea.Contains({177, 250}));
    EXPECT_FALSE(warranty_offer_layout::kLeftArea.Contains({100, 275}));
    EXPECT_TRUE(warranty_offer_layout::kLeftArea.Contains({100, 274}));
    EXPECT_TRUE(warranty_offer_layout::kLeftArea.Contains({38, 230}));
    EXPECT_FALSE(warranty_offer_layout::kLeftArea.Contains({37, 230}));
    EXPECT_TRUE(warranty_offer_layout::kRightArea.Contains({250, 230}));
    EXPECT_FALSE(warranty_offer_layout::kRightArea.Contains({250, 229}));
}

TEST_F(ExtendProtectTest, PressAnywhereThenReleaseOverTheLeftButtonOpensThePage) {
    offer.OnLButtonDown();  // outside both areas
    offer.OnMouseMove(40, 240);
    offer.OnLButtonUp();
    ASSERT_EQ(fakes.shell.openedByShell.size(), 1u);
    EXPECT_EQ(fakes.shell.openedByShell[0], "http://www.qar-cutters.example/qarclub/register.aspx");
    EXPECT_TRUE(fakes.ui.messageBoxes.empty());
    EXPECT_EQ(window.endResult, dialog_result::kOk);
    EXPECT_EQ(offer.pressed(), 0);
}

TEST_F(ExtendProtectTest, WithoutADesktopShellABoxOverTheOfferNamesTheAddress) {
    fakes.shell.shellRouteAvailable = false;
    fakes.shell.desktopShellPresent = false;
    offer.OnMouseMove(100, 250);
    offer.OnLButtonDown();
    offer.OnLButtonUp();
    ASSERT_EQ(fakes.ui.messageBoxes.size(), 1u);
    const fake::ShownMessageBox& box = fakes.ui.messageBoxes[0];
    EXPECT_EQ(box.text,
              "Please open this address in your browser:\n"
              "http://www.qar-cutters.example/qarclub/register.aspx");
    EXPECT_EQ(box.caption, "QAR Driver Installation");
    EXPECT_EQ(box.style, message_box::kOk | message_box::kIconInformation);
    EXPECT_EQ(box.owner, window.Handle());
    EXPECT_EQ(window.endResult, dialog_result::kOk);
}

TEST_F(ExtendProtectTest, ReleaseOverTheRightButtonEndsWithoutTheBrowser) {
    offer.OnMouseMove(300, 250);
    offer.OnLButtonDown();
    offer.OnLButtonUp();
    EXPECT_TRUE(fakes.shell.openedByShell.empty());
    EXPECT_EQ(window.endResult, dialog_result::kOk);
}

TEST_F(ExtendProtectTest, ReleaseWithoutPressDoesNothing) {
    offer.OnMouseMove(100, 250);
    offer.OnLButtonUp();
    EXPECT_TRUE(fakes.shell.openedByShell.empty());
    EXPECT_FALSE(window.endResult.has_value());
}

TEST_F(ExtendProtectTest, ReleaseOutsideTheAreasOnlyClearsThePress) {
    offer.OnLButtonDown();
    offer.OnMouseMove(10, 10);
    offer.OnLButtonUp();
    EXPECT_FALSE(window.endResult.has_value());
    EXPECT_EQ(offer.pressed(), 0);
}

TEST_F(ExtendProtectTest, ReleaseRightAfterCrossingIntoTheOtherAreaDoesNothing) {
    offer.OnMouseMove(100, 250);
    offer.OnLButtonDown();
    offer.OnMouseMove(300, 250);
    offer.OnLButtonUp();
    EXPECT_FALSE(window.endResult.has_value());
}

TEST_F(ExtendProtectTest, HandCursorFollowsTheHoverState) {
    offer.OnMouseMove(100, 250);
    EXPECT_TRUE(offer.WantsHandCursor());
    offer.OnMouseMove(10, 10);
    EXPECT_FALSE(offer.WantsHandCursor());
}

TEST_F(ExtendProtectTest, PlacementCentresAboveTheMiddle) {
    EXPECT_EQ(warranty_offer_layout::Placement(1024, 768), (WindowPlacement{298, 209, 428, 330}));
    EXPECT_EQ(warranty_offer_layout::Placement(1920, 1080), (WindowPlacement{746, 365, 428, 330}));
    EXPECT_EQ(warranty_offer_layout::Placement(801, 601), (WindowPlacement{186, 125, 428, 330}));
}

TEST_F(ExtendProtectTest, PictureCopiesReachPastThePictureEdges) {
    EXPECT_EQ(warranty_offer_layout::kClientPicture.destination, (Rect{0, 0, 429, 329}));
    EXPECT_EQ(warranty_offer_layout::kClientPicture.source.x, 3);
    EXPECT_EQ(warranty_offer_layout::kClientPicture.source.y, 30);
    EXPECT_EQ(warranty_offer_layout::kTitleStrip.destination, (Rect{3, 0, 429, 29}));
    EXPECT_EQ(warranty_offer_layout::kTitleStrip.source.y, 0);
}

}  // namespace
}  // namespace qar
