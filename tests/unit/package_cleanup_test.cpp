#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "spooler/package_cleanup.h"

namespace qar {
namespace {

class PackageCleanupTest : public ::testing::Test {
  protected:
    PackageCleanupTest() { list.AppendPackageNames(); }
    fake::FakePlatform fakes;
    PackageFileList list;
};

TEST_F(PackageCleanupTest, DeletesEveryNameInOrderUnderTheFolder) {
    // Written out again on purpose: a typo in the product's list must not pass as the reference.
    const char* const expected[] = {
        "~QarUDev.dat",    "Tolvar-60.INI",     "Mirren-60.INI",       "Corvel 24 LX.INI",
        "Corvel 24.INI",   "Corvel Pro-60.INI", "Corvel Pro-132.INI",  "KT4_CAl.dll",
        "KT4_CAlUI.dll",   "KT4C_Beta.dll",     "KT4C_BetaUI.dll",     "Kt4lng.ini",
        "Qarui.hlp",       "HaldenII-61.INI",   "HaldenII-101.INI",    "HaldenII-132.INI",
        "HaldenIV-61.INI", "HaldenIV-101.INI",  "HaldenIV-132.INI",    "HaldenIV-183.INI",
        "FerraII-60.INI",  "FerraII-132.INI",   "FerraII Plus-60.INI", "FerraII Plus-132.INI",
        "FerraIII-60.INI", "FerraIII-60DX.INI", "FerraIII-132.INI",    "FerraIII-132DX.INI",
        "Nolle-60.INI",    "usb_AVI.avi",       "UsbDetect_32.exe",    "Ristan-165.INI",
        "Ristan-183.INI",
    };
    const std::string folder = "C:\\WINDOWS\\system32\\spool\\drivers\\x64";
    DeletePackageFiles(fakes.files, list, folder);
    std::vector<std::string> wanted;
    for (const char* name : expected) wanted.push_back("DeleteFile(" + folder + "\\" + name + ")");
    EXPECT_EQ(fakes.control.CallsNamed("DeleteFile"), wanted);
}

TEST_F(PackageCleanupTest, FolderWithTrailingBackslashGetsNoSecondOne) {
    DeletePackageFiles(fakes.files, list, "D:\\pkg\\");
    EXPECT_EQ(fakes.control.CallsNamed("DeleteFile").front(), "DeleteFile(D:\\pkg\\~QarUDev.dat)");
}

TEST_F(PackageCleanupTest, FailedDeletionsDoNotStopTheLoopAndOthersStay) {
    fakes.files.files["D:\\pkg\\Nolle-60.INI"] = "x";
    fakes.files.files["D:\\pkg\\KT4_cx64.dll"] = "x";
    fakes.files.files["D:\\pkg\\QARUI.HLP"] = "x";
    fakes.control.FailCall("DeleteFile", win32_error::kAccessDenied, 3);
    DeletePackageFiles(fakes.files, list, "D:\\pkg");
    EXPECT_EQ(fakes.control.CountCalls("DeleteFile"), 33u);
    EXPECT_FALSE(fakes.files.Exists("D:\\pkg\\Nolle-60.INI"));
    EXPECT_TRUE(fakes.files.Exists("D:\\pkg\\KT4_cx64.dll"));
    // The list names "Qarui.hlp": the spooler's own help file goes too, as names ignore case.
    EXPECT_FALSE(fakes.files.Exists("D:\\pkg\\QARUI.HLP"));
}

TEST_F(PackageCleanupTest, EmptyListOrEmptyFolderDeletesNothing) {
    DeletePackageFiles(fakes.files, PackageFileList{}, "D:\\pkg");
    DeletePackageFiles(fakes.files, list, "");
    EXPECT_EQ(fakes.control.CountCalls("DeleteFile"), 0u);
}

}  // namespace
}  // namespace qar
