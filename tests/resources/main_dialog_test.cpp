// Main dialog (template 102): the host of the five commands.
#include <gtest/gtest.h>

#include "compiled_resources.h"
#include "resource.h"

namespace qar::res {
namespace {

TEST(MainDialog, WindowIsAVisibleAppWindowWithoutSystemMenu) {
    const DialogTemplate dialog = CompiledDialog(IDD_MODELPROBE_U_DIALOG);
    EXPECT_TRUE(dialog.extended);
    EXPECT_EQ(dialog.style, 0x90C000C0u) << std::hex << dialog.style;
    EXPECT_EQ(dialog.style, kWsPopup | kWsVisible | kWsCaption | kDsModalFrame | kDsSetFont);
    EXPECT_EQ(dialog.style & kWsSysmenu, 0u);
    EXPECT_EQ(dialog.exStyle, kWsExAppWindow);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, 214);
    EXPECT_EQ(dialog.cy, 128);
    EXPECT_EQ(dialog.title, u"");
    EXPECT_EQ(dialog.windowClass, Text(u""));
}

TEST(MainDialog, FontIsMsSansSerif8) {
    const DialogTemplate dialog = CompiledDialog(IDD_MODELPROBE_U_DIALOG);
    ASSERT_TRUE(dialog.hasFont);
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.typeface, u"MS Sans Serif");
    EXPECT_EQ(dialog.italic, 0);
}

TEST(MainDialog, CarriesOkCancelAndTheFiveCommandButtons) {
    const std::uint32_t kButton = kWsChild | kWsVisible | kWsTabstop;
    ExpectControls(
        CompiledDialog(IDD_MODELPROBE_U_DIALOG),
        {
            {1, kButtonClass, Text(u"OK"), 157, 7, 50, 14, kButton | kBsDefPushButton, 0},
            {2, kButtonClass, Text(u"Cancel"), 157, 23, 50, 14, kButton, 0},
            {1000, kButtonClass, Text(u"Modelprobe"), 85, 67, 39, 37, kButton, 0},
            {1001, kButtonClass, Text(u"UpdatePort"), 147, 69, 47, 38, kButton, 0},
            {1002, kButtonClass, Text(u"InstallUSB"), 14, 23, 47, 30, kButton, 0},
            {1003, kButtonClass, Text(u"UninstallUsb"), 81, 25, 44, 29, kButton, 0},
            {1004, kButtonClass, Text(u"InstallDriver"), 15, 71, 48, 32, kButton, 0},
        });
}

}  // namespace
}  // namespace qar::res
