#include <gtest/gtest.h>

#include "dialogs/select_port.h"
#include "dialogs/select_port_layout.h"
#include "discovery/serial_ports.h"
#include "fakes/fake_platform.h"

namespace qar {
namespace {

class SelectPortTest : public ::testing::Test {
  protected:
    fake::FakePlatform fakes;
    SelectPort dialog{fakes.registry, fakes.ui};
    fake::FakeSelectPortWindow window;
};

TEST_F(SelectPortTest, MissingMapOffersFallbackPairAndParallelPortSorted) {
    EXPECT_TRUE(dialog.OnInitDialog(window));
    EXPECT_EQ(window.ports, (std::vector<std::string>{"COM1:", "COM2:", "LPT1:"}));
    EXPECT_EQ(window.SelectedEntry(SelectionList::kPort), "COM1:");
    ASSERT_EQ(window.models.size(), 21u);
    EXPECT_EQ(window.models.front(), "Corvel 24");
    EXPECT_EQ(window.models.back(), "Tolvar-60");
    EXPECT_EQ(window.SelectedEntry(SelectionList::kModel), "Corvel 24");
}

TEST_F(SelectPortTest, DiscoveredPortsAreListedSortedWithTheFirstPreselected) {
    fakes.registry.SetStringValue(kSerialPortMapKey, "s2", "COM3");
    fakes.registry.SetStringValue(kSerialPortMapKey, "s0", "COM1");
    dialog.OnInitDialog(window);
    EXPECT_EQ(dialog.portList(), (std::vector<std::string>{"COM3:", "COM1:"}));
    EXPECT_EQ(window.ports, (std::vector<std::string>{"COM1:", "COM3:", "LPT1:"}));
    EXPECT_EQ(window.SelectedEntry(SelectionList::kPort), "COM1:");
}

TEST_F(SelectPortTest, DiscoveryFailureLeavesBothListsEmptyAfterItsBox) {
    fakes.registry.AddKey(kSerialPortMapKey);
    EXPECT_TRUE(dialog.OnInitDialog(window));
    EXPECT_TRUE(window.ports.empty());
    EXPECT_TRUE(window.models.empty());
    ASSERT_EQ(fakes.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(fakes.ui.messageBoxes[0].owner, fake::kFakeSelectPortWindow);
}

TEST_F(SelectPortTest, InstallTakesThePreselectedEntries) {
    dialog.OnInitDialog(window);
    dialog.OnInstall();
    EXPECT_EQ(window.endResult, dialog_result::kOk);
    EXPECT_EQ(dialog.chosenPort(), "COM1:");
    EXPECT_EQ(dialog.chosenModel(), "Corvel 24");
}

TEST_F(SelectPortTest, InstallTakesExactlyTheChosenTexts) {
    dialog.OnInitDialog(window);
    window.ChoosePort("LPT1:");
    window.ChooseModel("FerraIII-60DX");
    dialog.OnInstall();
    EXPECT_EQ(dialog.chosenPort(), "LPT1:");
    EXPECT_EQ(dialog.chosenModel(), "FerraIII-60DX");
}

TEST_F(SelectPortTest, InstallWithoutSelectedEntriesKeepsTheDialogOpen) {
    fakes.registry.AddKey(kSerialPortMapKey);
    dialog.OnInitDialog(window);
    dialog.OnInstall();
    EXPECT_FALSE(window.endResult.has_value());
    EXPECT_TRUE(dialog.chosenPort().empty());
    EXPECT_TRUE(dialog.chosenModel().empty());
}

TEST_F(SelectPortTest, InstallWithOnlyOneListSelectedKeepsTheDialogOpen) {
    dialog.OnInitDialog(window);
    window.modelSelection = -1;
    dialog.OnInstall();
    EXPECT_FALSE(window.endResult.has_value());
    EXPECT_TRUE(dialog.chosenPort().empty());
}

TEST_F(SelectPortTest, PicturesSitAtFixedPixelPositions) {
    EXPECT_EQ(select_port_layout::kPictures[0].bitmapId, 130);
    EXPECT_EQ(select_port_layout::kPictures[0].destination, (Rect{280, 20, 340, 100}));
    EXPECT_EQ(select_port_layout::kPictures[1].bitmapId, 131);
    EXPECT_EQ(select_port_layout::kPictures[1].destination, (Rect{262, 130, 342, 180}));
}

}  // namespace
}  // namespace qar
