// Warranty extension offer: template 103 and its picture, bitmap 129.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "compiled_resources.h"
#include "resource.h"

namespace qar::res {
namespace {

// 對話方塊 ("dialog box"), spelt out as code points so that the test does not rest on the
// encoding of this file, and checked against the UTF-8 spelling as well.
const std::u16string kDialogBoxCaption = u"\u5C0D\u8A71\u65B9\u584A";

TEST(WarrantyOfferDialog, WindowIsAFixedSysModalPopup) {
    const DialogTemplate dialog = CompiledDialog(IDD_EXTEND_PROTECT);
    EXPECT_TRUE(dialog.extended);
    EXPECT_EQ(dialog.style, 0x80C800C8u) << std::hex << dialog.style;
    EXPECT_EQ(dialog.style,
              kWsPopup | kWsCaption | kWsSysmenu | kDsModalFrame | kDsSetFont | kDsFixedSys);
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.cx, 266);
    EXPECT_EQ(dialog.cy, 200);
}

TEST(WarrantyOfferDialog, CaptionIsDialogBoxInTraditionalChinese) {
    const DialogTemplate dialog = CompiledDialog(IDD_EXTEND_PROTECT);
    EXPECT_EQ(dialog.title, kDialogBoxCaption);
    EXPECT_EQ(dialog.title, Utf8ToUtf16("對話方塊"));
    EXPECT_EQ(Utf16ToUtf8(dialog.title), "\xE5\xB0\x8D\xE8\xA9\xB1\xE6\x96\xB9\xE5\xA1\x8A");
}

TEST(WarrantyOfferDialog, FontIsMsShellDlg9Normal) {
    const DialogTemplate dialog = CompiledDialog(IDD_EXTEND_PROTECT);
    ASSERT_TRUE(dialog.hasFont);
    EXPECT_EQ(dialog.pointSize, 9);
    EXPECT_EQ(dialog.weight, 400);
    EXPECT_EQ(dialog.italic, 0);
    EXPECT_EQ(dialog.charset, 1);
    EXPECT_EQ(dialog.typeface, u"MS Shell Dlg");
}

TEST(WarrantyOfferDialog, KeyboardButtonsSitAtTheBottomEdge) {
    const std::uint32_t kButton = kWsChild | kWsVisible | kWsTabstop;
    ExpectControls(CompiledDialog(IDD_EXTEND_PROTECT),
                   {
                       // 確定 (OK) and 取消 (Cancel)
                       {1, kButtonClass, Text(u"\u78BA\u5B9A"), 209, 186, 50, 7,
                        kButton | kBsDefPushButton, 0},
                       {2, kButtonClass, Text(u"\u53D6\u6D88"), 209, 185, 50, 8, kButton, 0},
                   });
    const DialogTemplate dialog = CompiledDialog(IDD_EXTEND_PROTECT);
    ASSERT_EQ(dialog.items.size(), 2u);
    EXPECT_EQ(dialog.items[0].text, Text(Utf8ToUtf16("確定").c_str()));
    EXPECT_EQ(dialog.items[1].text, Text(Utf8ToUtf16("取消").c_str()));
}

// Picture coordinates; right and bottom exclusive, as PtInRect tests the hot areas.
struct Area {
    int left, top, right, bottom;
};
constexpr Area kOnlineRegistration{41, 260, 181, 305};
constexpr Area kRegisterLater{253, 260, 393, 305};
constexpr int kStripRows = 29;

int Luminance(Rgb c) {
    return (299 * c.r + 587 * c.g + 114 * c.b) / 1000;
}
int Distance(Rgb a, Rgb b) {
    return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
}

// The colour of the picture's body below the title strip, taken from its empty bottom corner.
Rgb BodyColour(const Dib& picture) {
    return picture.At(2, picture.height() - 3);
}

TEST(WarrantyOfferPicture, Is427By316With24BitsBottomUp) {
    const Dib picture = CompiledBitmap(IDB_WARRANTY_OFFER);
    EXPECT_EQ(picture.headerSize(), 40u);
    EXPECT_EQ(picture.width(), 427);
    EXPECT_EQ(picture.height(), 316);  // positive: bottom-up rows
    EXPECT_EQ(picture.planes(), 1);
    EXPECT_EQ(picture.bitCount(), 24);
    EXPECT_EQ(picture.compression(), 0u);
}

TEST(WarrantyOfferPicture, TopTwentyNineRowsAreATitleStripWithText) {
    const Dib picture = CompiledBitmap(IDB_WARRANTY_OFFER);
    const Rgb body = BodyColour(picture);
    for (int y = 0; y < kStripRows; ++y) {
        EXPECT_GT(Distance(picture.At(1, y), body), 60) << "strip row " << y;
        EXPECT_GT(Distance(picture.At(picture.width() - 2, y), body), 60) << "strip row " << y;
    }
    for (int x = 0; x < picture.width(); ++x) {
        ASSERT_EQ(picture.At(x, kStripRows), body) << "first row below the strip, column " << x;
    }
    // The strip is dark and carries light lettering.
    const Rgb band = picture.At(1, 5);
    EXPECT_LT(Luminance(band), 110);
    int lettering = 0;
    for (int y = 0; y < kStripRows; ++y) {
        for (int x = 0; x < picture.width(); ++x) lettering += Luminance(picture.At(x, y)) > 170;
    }
    EXPECT_GT(lettering, 60);
}

void ExpectDrawnButtonFills(const Dib& picture, Area area) {
    const Rgb body = BodyColour(picture);
    const Rgb border = picture.At(area.left, area.top);
    EXPECT_GT(Distance(border, body), 100) << "border " << Describe(border);
    // Border on the outermost pixels of the area...
    for (int x = area.left; x < area.right; ++x) {
        ASSERT_EQ(picture.At(x, area.top), border) << "top edge, column " << x;
        ASSERT_EQ(picture.At(x, area.bottom - 1), border) << "bottom edge, column " << x;
    }
    for (int y = area.top; y < area.bottom; ++y) {
        ASSERT_EQ(picture.At(area.left, y), border) << "left edge, row " << y;
        ASSERT_EQ(picture.At(area.right - 1, y), border) << "right edge, row " << y;
    }
    // ...and plain background right outside it.
    for (int x = area.left - 1; x <= area.right; ++x) {
        ASSERT_EQ(picture.At(x, area.top - 1), body) << "above, column " << x;
        ASSERT_EQ(picture.At(x, area.bottom), body) << "below, column " << x;
    }
    for (int y = area.top - 1; y <= area.bottom; ++y) {
        ASSERT_EQ(picture.At(area.left - 1, y), body) << "left of it, row " << y;
        ASSERT_EQ(picture.At(area.right, y), body) << "right of it, row " << y;
    }
}

TEST(WarrantyOfferPicture, OnlineRegistrationButtonFillsTheLeftHotAreaExactly) {
    ExpectDrawnButtonFills(CompiledBitmap(IDB_WARRANTY_OFFER), kOnlineRegistration);
}

TEST(WarrantyOfferPicture, RegisterLaterButtonFillsTheRightHotAreaExactly) {
    ExpectDrawnButtonFills(CompiledBitmap(IDB_WARRANTY_OFFER), kRegisterLater);
}

// Pixels of the button's inner part that stand out from its face: the label.
int LabelPixels(const Dib& picture, Area area) {
    const Rgb face = picture.At(area.left + 3, (area.top + area.bottom) / 2);
    int count = 0;
    for (int y = area.top + 4; y < area.bottom - 4; ++y) {
        for (int x = area.left + 4; x < area.right - 4; ++x) {
            count += Distance(picture.At(x, y), face) > 150;
        }
    }
    return count;
}

TEST(WarrantyOfferPicture, BothButtonsCarryALabel) {
    const Dib picture = CompiledBitmap(IDB_WARRANTY_OFFER);
    EXPECT_GT(LabelPixels(picture, kOnlineRegistration), 150);
    EXPECT_GT(LabelPixels(picture, kRegisterLater), 150);
}

TEST(WarrantyOfferPicture, ButtonsLookDifferent) {
    const Dib picture = CompiledBitmap(IDB_WARRANTY_OFFER);
    const int midRow = (kOnlineRegistration.top + kOnlineRegistration.bottom) / 2;
    EXPECT_GT(Distance(picture.At(kOnlineRegistration.left + 3, midRow),
                       picture.At(kRegisterLater.left + 3, midRow)),
              100);
}

TEST(WarrantyOfferPicture, OfferTextFillsTheBodyAboveTheButtons) {
    const Dib picture = CompiledBitmap(IDB_WARRANTY_OFFER);
    const Rgb body = BodyColour(picture);
    // Rows holding dark text between the strip and the buttons: the headline and paragraph.
    int textRows = 0;
    for (int y = kStripRows + 1; y < kOnlineRegistration.top - 1; ++y) {
        int dark = 0;
        for (int x = 0; x < picture.width(); ++x) dark += Luminance(picture.At(x, y)) < 120;
        textRows += dark > 5;
    }
    EXPECT_GT(textRows, 100);
    // Below the buttons the body is empty.
    for (int y = kOnlineRegistration.bottom + 1; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            ASSERT_EQ(picture.At(x, y), body) << x << "," << y;
    }
}

}  // namespace
}  // namespace qar::res
