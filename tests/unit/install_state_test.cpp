#include <gtest/gtest.h>

#include "core/install_state.h"

namespace qar {
namespace {

TEST(PackageFileList, HoldsTheThirtyThreePackageNamesInDeletionOrder) {
    PackageFileList list;
    list.AppendPackageNames();
    ASSERT_EQ(list.Count(), 33u);
    EXPECT_EQ(list.At(0), "~QarUDev.dat");
    EXPECT_EQ(list.At(3), "Corvel 24 LX.INI");
    EXPECT_EQ(list.At(11), "Kt4lng.ini");
    EXPECT_EQ(list.At(12), "Qarui.hlp");
    EXPECT_EQ(list.At(22), "FerraII Plus-60.INI");
    EXPECT_EQ(list.At(29), "usb_AVI.avi");
    EXPECT_EQ(list.At(30), "UsbDetect_32.exe");
    EXPECT_EQ(list.At(32), "Ristan-183.INI");
}

TEST(PackageFileList, LeavesOutTheFilesTheSpoolerRegisters) {
    PackageFileList list;
    list.AppendPackageNames();
    for (std::size_t index = 0; index < list.Count(); ++index) {
        EXPECT_NE(list.At(index), "KT4_cx64.dll");
        EXPECT_NE(list.At(index), "KT4_cx64UI.dll");
        EXPECT_NE(list.At(index), "QARUI.HLP");
    }
}

TEST(PackageFileList, SecondFillAppendsASecondCopyAndRemoveAllEmpties) {
    PackageFileList list;
    list.AppendPackageNames();
    list.AppendPackageNames();
    ASSERT_EQ(list.Count(), 66u);
    EXPECT_EQ(list.At(33), "~QarUDev.dat");
    list.RemoveAll();
    EXPECT_EQ(list.Count(), 0u);
}

TEST(InstallState, StartsWithNoClashNoSelectionAndNoDevices) {
    InstallState state;
    EXPECT_TRUE(state.modelName.empty());
    EXPECT_TRUE(state.printerName.empty());
    EXPECT_TRUE(state.scratch.empty());
    EXPECT_TRUE(state.usbPortName.empty());
    EXPECT_TRUE(state.selectedPort.empty());
    EXPECT_TRUE(state.selectedModel.empty());
    EXPECT_EQ(state.selectionMade, 0);
    EXPECT_EQ(state.clashCounter, 1);
    EXPECT_EQ(state.usbDeviceCount, 0);
    EXPECT_EQ(state.packageFiles.Count(), 0u);
}

TEST(InstallState, ResetSelectionClearsOnlyTheSelection) {
    InstallState state;
    state.selectedPort = "COM1:";
    state.selectedModel = "Tolvar-60";
    state.selectionMade = 1;
    state.modelName = "Nolle-60";
    state.clashCounter = 3;
    state.ResetSelection();
    EXPECT_TRUE(state.selectedPort.empty());
    EXPECT_TRUE(state.selectedModel.empty());
    EXPECT_EQ(state.selectionMade, 0);
    EXPECT_EQ(state.modelName, "Nolle-60");
    EXPECT_EQ(state.clashCounter, 3);
}

}  // namespace
}  // namespace qar
