// Port and model selection dialog: template 105 and its pictures, bitmaps 130 and 131.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "compiled_resources.h"
#include "resource.h"

namespace qar::res {
namespace {

TEST(SelectPortDialog, WindowIsAModalPopupWithSystemMenu) {
    const DialogTemplate dialog = CompiledDialog(IDD_SELECT_PORT);
    EXPECT_TRUE(dialog.extended);
    EXPECT_EQ(dialog.style, kWsPopup | kWsCaption | kWsSysmenu | kDsModalFrame | kDsSetFont);
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, 203);
    EXPECT_EQ(dialog.cy, 135);
}

TEST(SelectPortDialog, CaptionIsDialogBoxInTraditionalChinese) {
    const DialogTemplate dialog = CompiledDialog(IDD_SELECT_PORT);
    EXPECT_EQ(dialog.title, u"\u5C0D\u8A71\u65B9\u584A");
    EXPECT_EQ(Utf16ToUtf8(dialog.title), "對話方塊");
}

TEST(SelectPortDialog, FontIsMsShellDlg9Normal) {
    const DialogTemplate dialog = CompiledDialog(IDD_SELECT_PORT);
    ASSERT_TRUE(dialog.hasFont);
    EXPECT_EQ(dialog.pointSize, 9);
    EXPECT_EQ(dialog.weight, 400);
    EXPECT_EQ(dialog.italic, 0);
    EXPECT_EQ(dialog.typeface, u"MS Shell Dlg");
}

TEST(SelectPortDialog, ControlsInTabAndCreationOrder) {
    const std::uint32_t kVisible = kWsChild | kWsVisible;
    const std::uint32_t kButton = kVisible | kWsTabstop;
    const std::uint32_t kCombo = kVisible | kWsTabstop | kWsVscroll | kCbsDropDown | kCbsSort;
    const std::uint32_t kLabel = kVisible | kWsGroup | kSsLeft;
    const std::uint32_t kFrame = kVisible | kBsGroupBox;
    ExpectControls(
        CompiledDialog(IDD_SELECT_PORT),
        {
            {1, kButtonClass, Text(u"Install"), 85, 114, 50, 14, kButton | kBsDefPushButton, 0},
            {2, kButtonClass, Text(u"Cancel"), 145, 114, 50, 14, kButton | kBsPushButton, 0},
            {IDC_PORT_COMBO, kComboBoxClass, Text(u""), 27, 43, 118, 89, kCombo, 0},
            {IDC_MODEL_COMBO, kComboBoxClass, Text(u""), 27, 98, 118, 89, kCombo, 0},
            {kNoId, kStaticClass, Text(u"Please choose the LPT or RS-232 port you"), 10, 11, 137,
             13, kLabel, 0},
            {kNoId, kStaticClass, Text(u"want to use  with your machine."), 10, 20, 105, 13, kLabel,
             0},
            {kNoId, kStaticClass, Text(u"Port:"), 10, 33, 16, 8, kLabel, 0},
            {kNoId, kStaticClass, Text(u"Please select the model and press \"OK\" to"), 10, 67, 134,
             13, kLabel, 0},
            {kNoId, kStaticClass, Text(u"continue with the driver installation."), 10, 76, 115, 13,
             kLabel, 0},
            {kNoId, kStaticClass, Text(u"Machine:"), 10, 85, 28, 8, kLabel, 0},
            {kNoId, kButtonClass, Text(u""), 7, 5, 189, 53, kFrame, 0},
            {kNoId, kButtonClass, Text(u""), 7, 60, 189, 53, kFrame, 0},
        });
}

TEST(SelectPortDialog, OnlyTheButtonsAndListsTakeTheFocus) {
    std::vector<std::int32_t> tabStops;
    for (const DialogItem& item : CompiledDialog(IDD_SELECT_PORT).items) {
        if (item.style & kWsTabstop) tabStops.push_back(item.id);
    }
    EXPECT_EQ(tabStops, (std::vector<std::int32_t>{1, 2, IDC_PORT_COMBO, IDC_MODEL_COMBO}));
}

TEST(SelectPortDialog, LabelTextsKeepTheirExactSpacingAndQuotes) {
    const DialogTemplate dialog = CompiledDialog(IDD_SELECT_PORT);
    ASSERT_GE(dialog.items.size(), 8u);
    EXPECT_EQ(Utf16ToUtf8(dialog.items[5].text.text), "want to use  with your machine.");
    EXPECT_EQ(Utf16ToUtf8(dialog.items[7].text.text),
              "Please select the model and press \"OK\" to");
}

const Rgb kDialogFace{0xF0, 0xF0, 0xF0};

void ExpectTrueColourPicture(const Dib& picture, int width, int height) {
    EXPECT_EQ(picture.headerSize(), 40u);
    EXPECT_EQ(picture.width(), width);
    EXPECT_EQ(picture.height(), height);  // positive: bottom-up rows
    EXPECT_EQ(picture.planes(), 1);
    EXPECT_EQ(picture.bitCount(), 24);
    EXPECT_EQ(picture.compression(), 0u);
}

// Pixels in rows [top, bottom) that differ from the dialog face.
int DrawnPixels(const Dib& picture, int top, int bottom) {
    int count = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < picture.width(); ++x) count += !(picture.At(x, y) == kDialogFace);
    }
    return count;
}

std::size_t DistinctColours(const Dib& picture) {
    std::set<std::tuple<int, int, int>> colours;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const Rgb c = picture.At(x, y);
            colours.emplace(c.r, c.g, c.b);
        }
    }
    return colours.size();
}

void ExpectCornersShowTheDialogFace(const Dib& picture) {
    EXPECT_EQ(picture.At(0, 0), kDialogFace);
    EXPECT_EQ(picture.At(picture.width() - 1, 0), kDialogFace);
    EXPECT_EQ(picture.At(0, picture.height() - 1), kDialogFace);
    EXPECT_EQ(picture.At(picture.width() - 1, picture.height() - 1), kDialogFace);
}

TEST(PortPlugsPicture, Is60By80With24BitsBottomUp) {
    ExpectTrueColourPicture(CompiledBitmap(IDB_PORT_PLUGS), 60, 80);
}

TEST(PortPlugsPicture, ShowsOnePlugAboveAnotherOnTheDialogFace) {
    const Dib picture = CompiledBitmap(IDB_PORT_PLUGS);
    ExpectCornersShowTheDialogFace(picture);
    // Parallel plug in the upper half, serial plug in the lower half, a gap between.
    EXPECT_GT(DrawnPixels(picture, 0, 38), 38 * 60 / 2);
    EXPECT_GT(DrawnPixels(picture, 40, 80), 40 * 60 / 3);
    EXPECT_GT(DrawnPixels(picture, 0, 38), DrawnPixels(picture, 40, 80));  // DB-25 is wider
    EXPECT_GE(DistinctColours(picture), 12u);
}

TEST(CuttingPlotterPicture, Is80By50With24BitsBottomUp) {
    ExpectTrueColourPicture(CompiledBitmap(IDB_CUTTING_PLOTTER), 80, 50);
}

TEST(CuttingPlotterPicture, ShowsAMachineOnTheDialogFace) {
    const Dib picture = CompiledBitmap(IDB_CUTTING_PLOTTER);
    ExpectCornersShowTheDialogFace(picture);
    EXPECT_GT(DrawnPixels(picture, 0, 50), 80 * 50 / 2);
    EXPECT_GE(DistinctColours(picture), 12u);
}

}  // namespace
}  // namespace qar::res
