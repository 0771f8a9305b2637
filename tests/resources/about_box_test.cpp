// About box (template 100), the application icon (128) and the About menu string (101).
#include <gtest/gtest.h>

#include "compiled_resources.h"
#include "resource.h"

namespace qar::res {
namespace {

TEST(AboutBox, WindowIsAModalPopupWithTitleAndClassicFont) {
    const DialogTemplate dialog = CompiledDialog(IDD_ABOUTBOX);
    EXPECT_EQ(dialog.style, kWsPopup | kWsCaption | kWsSysmenu | kDsModalFrame | kDsSetFont);
    EXPECT_EQ(dialog.style, 0x80C800C0u);
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, 235);
    EXPECT_EQ(dialog.cy, 55);
    EXPECT_EQ(dialog.menu, Text(u""));
    EXPECT_EQ(dialog.windowClass, Text(u""));
    EXPECT_EQ(dialog.title, u"About Modelprobe_u");
    ASSERT_TRUE(dialog.hasFont);
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.typeface, u"MS Sans Serif");
}

TEST(AboutBox, ControlsShowIconVersionLineAndOkButton) {
    const std::uint32_t kChildVisible = kWsChild | kWsVisible;
    ExpectControls(CompiledDialog(IDD_ABOUTBOX),
                   {
                       {kNoId, kStaticClass, NameOrOrdinal::Ordinal(IDR_MAINFRAME), 11, 17, 20, 20,
                        kChildVisible | kSsIcon, 0},
                       {kNoId, kStaticClass, Text(u"Modelprobe_u Version 1.0"), 40, 10, 119, 8,
                        kChildVisible | kWsGroup | kSsLeft | kSsNoPrefix, 0},
                       {kNoId, kStaticClass, Text(u"Driver installer for QAR cutters"), 40, 25, 119,
                        8, kChildVisible | kWsGroup | kSsLeft, 0},
                       {1, kButtonClass, Text(u"OK"), 178, 7, 50, 14,
                        kChildVisible | kWsGroup | kWsTabstop | kBsDefPushButton, 0},
                   });
}

TEST(ApplicationIcon, GroupHolds48And32And16PixelImages) {
    const Resource* group = CompiledResources().Find(kRtGroupIcon, IDR_MAINFRAME);
    ASSERT_NE(group, nullptr) << "icon group 128 missing";
    const std::vector<IconGroupEntry> images = ParseIconGroup(group->data);
    std::vector<int> sizes;
    for (const IconGroupEntry& image : images) {
        EXPECT_EQ(image.width, image.height);
        sizes.push_back(image.width);
    }
    EXPECT_EQ(sizes, (std::vector<int>{48, 32, 16}));
}

TEST(ApplicationIcon, EveryImageOfTheGroupIsStoredWithTheAnnouncedSize) {
    const Resource* group = CompiledResources().Find(kRtGroupIcon, IDR_MAINFRAME);
    ASSERT_NE(group, nullptr);
    for (const IconGroupEntry& image : ParseIconGroup(group->data)) {
        SCOPED_TRACE("icon image " + std::to_string(image.iconId));
        const Resource* icon = CompiledResources().Find(kRtIcon, image.iconId);
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(icon->data.size(), image.bytesInRes);
        EXPECT_EQ(image.bitCount, 32);
        EXPECT_EQ(image.planes, 1);
        // An icon image is a DIB of twice the height: colour rows, then a 1-bit AND mask.
        const DibHeader dib = ParseDibHeader(icon->data);
        EXPECT_EQ(dib.headerSize, 40u);
        EXPECT_EQ(dib.width, image.width);
        EXPECT_EQ(dib.height, 2 * image.height);
        EXPECT_EQ(dib.bitCount, 32);
        const std::size_t side = image.width;
        const std::size_t maskRow = (side + 31) / 32 * 4;
        EXPECT_EQ(icon->data.size(), 40 + side * side * 4 + side * maskRow);
    }
}

TEST(AboutMenuString, Id101IsTheAboutItemText) {
    // Ids 96 to 111 share string block 7; id 101 is its sixth string.
    const Resource* block = CompiledResources().Find(kRtString, IDS_ABOUTBOX / 16 + 1);
    ASSERT_NE(block, nullptr) << "string block 7 missing";
    const std::vector<std::u16string> strings = ParseStringBlock(block->data);
    ASSERT_EQ(strings.size(), 16u);
    EXPECT_EQ(strings[IDS_ABOUTBOX % 16], u"&About Modelprobe_u...");
    for (std::size_t i = 0; i < strings.size(); ++i) {
        if (i != IDS_ABOUTBOX % 16) {
            EXPECT_TRUE(strings[i].empty()) << "string " << 96 + i;
        }
    }
}

TEST(AboutMenuString, IsTheOnlyString) {
    EXPECT_EQ(CompiledResources().NamesOfType(kRtString), std::vector<std::uint16_t>{7});
}

}  // namespace
}  // namespace qar::res
