#include <gtest/gtest.h>

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
    DeletePackageFiles(fakes.files, list, "C:\\WINDOWS\\system32\\spool\\drivers\\x64");
    const auto deletions = fakes.control.CallsNamed("DeleteFile");
    ASSERT_EQ(deletions.size(), 33u);
    EXPECT_EQ(deletions.front(),
              "DeleteFile(C:\\WINDOWS\\system32\\spool\\drivers\\x64\\~QarUDev.dat)");
    EXPECT_EQ(deletions.back(),
              "DeleteFile(C:\\WINDOWS\\system32\\spool\\drivers\\x64\\Ristan-183.INI)");
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
