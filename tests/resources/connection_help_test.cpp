// Connection help dialog (template 104).
#include <gtest/gtest.h>

#include "compiled_resources.h"
#include "resource.h"

namespace qar::res {
namespace {

TEST(ConnectionHelpDialog, WindowIsAFixedSysModalPopupWithInstallationTitle) {
    const DialogTemplate dialog = CompiledDialog(IDD_AVI_PLAYER);
    EXPECT_TRUE(dialog.extended);
    EXPECT_EQ(dialog.style, 0x80C800C8u) << std::hex << dialog.style;
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, 263);
    EXPECT_EQ(dialog.cy, 209);
    EXPECT_EQ(dialog.title, u"QAR Driver Installation");
}

TEST(ConnectionHelpDialog, FontIsMsShellDlg9Normal) {
    const DialogTemplate dialog = CompiledDialog(IDD_AVI_PLAYER);
    ASSERT_TRUE(dialog.hasFont);
    EXPECT_EQ(dialog.pointSize, 9);
    EXPECT_EQ(dialog.weight, 400);
    EXPECT_EQ(dialog.italic, 0);
    EXPECT_EQ(dialog.typeface, u"MS Shell Dlg");
}

TEST(ConnectionHelpDialog, ButtonsOfBothPages) {
    const std::uint32_t kButton = kWsChild | kWsVisible | kWsTabstop;
    ExpectControls(
        CompiledDialog(IDD_AVI_PLAYER),
        {
            {1, kButtonClass, Text(u"Retry"), 134, 169, 38, 12, kButton | kBsDefPushButton, 0},
            {2, kButtonClass, Text(u"cancel"), 177, 169, 38, 12, kButton | kBsPushButton, 0},
            {IDC_USB_TYPE_HELP, kButtonClass, Text(u"What is USB printer type"), 49, 39, 111, 26,
             kButton | kBsDefPushButton, kWsExClientEdge},
            {IDC_EXTRA_CANCEL, kButtonClass, Text(u"cancel"), 183, 90, 50, 14,
             kButton | kBsPushButton, 0},
        });
}

}  // namespace
}  // namespace qar::res
