// Files and folders as the installer and its log rely on them.
#include <algorithm>
#include <cctype>

#include "conformance/conformance.h"
#include "platform/win32_error.h"

namespace qar::conformance {

namespace {

constexpr const char* kSecurity = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

std::unique_ptr<HeldFolder> Held(World& world, const std::string& path) {
    auto held = world.files().HoldFolder(path);
    EXPECT_TRUE(held) << path;
    return held ? std::move(*held) : nullptr;
}

bool EndsWithIgnoringCase(std::u16string_view text, std::string_view end) {
    if (text.size() < end.size()) return false;
    const std::u16string_view tail = text.substr(text.size() - end.size());
    return std::equal(tail.begin(), tail.end(), end.begin(), [](char16_t a, char b) {
        return a < 0x80 && std::tolower(static_cast<unsigned char>(a)) ==
                               std::tolower(static_cast<unsigned char>(b));
    });
}

const Case kFileCases[] = {
    // GetSystemDirectory gives System32 to a 32-bit process too; only its opens are redirected.
    {"SystemAndWindowsFoldersAreSystem32AndWindows",
     [](World& world) {
         EXPECT_TRUE(EndsWithIgnoringCase(world.files().FromAnsi(*world.files().SystemDirectory()),
                                          ":\\windows\\system32"));
         EXPECT_TRUE(EndsWithIgnoringCase(world.files().FromAnsi(*world.files().WindowsDirectory()),
                                          ":\\windows"));
     }},
    {"CopyOntoAFileThatIsThereWithFailIfExistsFailsWith80",
     [](World& world) {
         const std::string folder = ScratchFolder(world);
         world.StageFile(folder + "\\a", "a");
         world.StageFile(folder + "\\b", "b");
         EXPECT_EQ(world.files().Copy(folder + "\\a", folder + "\\b", true),
                   win32_error::kFileExists);
         EXPECT_EQ(world.files().Copy(folder + "\\a", folder + "\\b", false),
                   win32_error::kSuccess);
     }},
    {"CopyOfAFileThatIsNotThereFailsWith2",
     [](World& world) {
         const std::string folder = ScratchFolder(world);
         EXPECT_EQ(world.files().Copy(folder + "\\absent", folder + "\\b", false),
                   win32_error::kFileNotFound);
     }},
    {"RemovingAFileThatIsNotThereAnswers2",
     [](World& world) {
         EXPECT_EQ(world.files().Remove(ScratchFolder(world) + "\\absent"),
                   win32_error::kFileNotFound);
     }},
    {"InspectTellsAFileAFolderAndNothing",
     [](World& world) {
         const std::string folder = ScratchFolder(world);
         world.StageFile(folder + "\\file", "x");
         EXPECT_EQ(*world.files().Inspect(folder), PathKind::kFolder);
         EXPECT_EQ(*world.files().Inspect(folder + "\\file"), PathKind::kFile);
         EXPECT_EQ(*world.files().Inspect(folder + "\\absent"), PathKind::kMissing);
     }},
    // "Naming Files": a path's last step loses its trailing blanks and dots.
    {"APathsLastStepLosesItsTrailingBlanksAndDots",
     [](World& world) {
         const std::string folder = ScratchFolder(world);
         world.StageFile(folder + "\\a", "a");
         ASSERT_EQ(world.files().Copy(folder + "\\a", folder + "\\b. .", false),
                   win32_error::kSuccess);
         EXPECT_EQ(*world.files().Inspect(folder + "\\b"), PathKind::kFile);
         EXPECT_EQ(*world.files().Inspect(folder + "\\b ."), PathKind::kFile);
     }},
    {"MakingAFolderThatIsThereFailsWith183",
     [](World& world) {
         EXPECT_EQ(world.files().CreateFolder(ScratchFolder(world), kSecurity),
                   win32_error::kAlreadyExists);
     }},
    {"MakingAFolderWhoseParentIsNotThereFailsWith3",
     [](World& world) {
         EXPECT_EQ(world.files().CreateFolder(ScratchFolder(world) + "\\absent\\new", kSecurity),
                   win32_error::kPathNotFound);
     }},
    {"HeldFolderNamesItsFinalPath",
     [](World& world) {
         const std::string folder = ScratchFolder(world);
         const auto held = Held(world, folder);
         ASSERT_TRUE(held);
         EXPECT_EQ(held->Facts().kind, PathKind::kFolder);
         EXPECT_TRUE(EndsWithIgnoringCase(held->Facts().finalPath, folder.substr(2)));
     }},
    {"ChildHeldThroughItsParentIsMadeWhenMissingAndOpenedWhenThere",
     [](World& world) {
         const std::string folder = ScratchFolder(world);
         const auto parent = Held(world, folder);
         ASSERT_TRUE(parent);
         auto made = parent->HoldChild("child", kSecurity);
         ASSERT_TRUE(made);
         EXPECT_TRUE((*made)->Made());
         EXPECT_EQ((*made)->Facts().kind, PathKind::kFolder);
         EXPECT_EQ(*world.files().Inspect(folder + "\\child"), PathKind::kFolder);
         made->reset();  // held with DELETE, it admits no second hold
         auto opened = parent->HoldChild("CHILD", kSecurity);
         ASSERT_TRUE(opened);
         EXPECT_FALSE((*opened)->Made());
     }},
    {"ChildFolderWhereAFileIsFailsWith267",
     [](World& world) {
         const std::string folder = ScratchFolder(world);
         world.StageFile(folder + "\\file", "x");
         const auto parent = Held(world, folder);
         ASSERT_TRUE(parent);
         EXPECT_EQ(parent->HoldChild("file", kSecurity).error(), win32_error::kNotADirectory);
     }},
    {"LogOpenedThroughItsFolderIsCreatedOnceAndKeepsOneName",
     [](World& world) {
         const auto parent = Held(world, ScratchFolder(world));
         ASSERT_TRUE(parent);
         auto created = parent->OpenLogChild("run.log");
         ASSERT_TRUE(created);
         EXPECT_TRUE((*created)->Created());
         const auto facts = (*created)->ReadFacts();
         ASSERT_TRUE(facts);
         EXPECT_EQ(facts->kind, PathKind::kFile);
         EXPECT_EQ(facts->hardLinks, 1u);
         EXPECT_FALSE(facts->reparsePoint);
         created->reset();
         auto opened = parent->OpenLogChild("run.log");
         ASSERT_TRUE(opened);
         EXPECT_FALSE((*opened)->Created());
     }},
    {"AFolderAndALogMadeAndDeletedThroughTheirHandlesAreGone",
     [](World& world) {
         const std::string folder = ScratchFolder(world);
         const auto parent = Held(world, folder);
         ASSERT_TRUE(parent);
         auto made = parent->HoldChild("child", kSecurity);
         auto log = world.files().OpenLog(folder + "\\run.log");
         ASSERT_TRUE(made && log);
         (*made)->DeleteIfMade();
         (*log)->DeleteIfCreated();
         made->reset();
         log->reset();
         EXPECT_EQ(*world.files().Inspect(folder + "\\child"), PathKind::kMissing);
         EXPECT_EQ(*world.files().Inspect(folder + "\\run.log"), PathKind::kMissing);
     }},
    {"AFolderMadeIntoAJunctionIsALink",
     [](World& world) {
         const std::string folder = ScratchFolder(world);
         world.StageFolder(folder + "\\target");
         world.StageFolder(folder + "\\link");
         ASSERT_TRUE(world.MakeJunction(folder + "\\link", folder + "\\target"));
         EXPECT_EQ(*world.files().Inspect(folder + "\\link"), PathKind::kLink);
         const auto held = Held(world, folder + "\\link");
         ASSERT_TRUE(held);
         EXPECT_EQ(held->Facts().kind, PathKind::kLink);
         EXPECT_TRUE(held->Facts().reparsePoint);
     },
     OnWine::kFakesOnly, "Wine 8 makes no reparse points (FSCTL_SET_REPARSE_POINT)"},
    // MS-FSA: setting a reparse point needs write-data or write-attributes, not the folder's
    // ownership, and a handle without delete sharing does not stop it.
    {"AHeldEmptyFolderCanStillBecomeAJunction",
     [](World& world) {
         const std::string folder = ScratchFolder(world);
         world.StageFolder(folder + "\\target");
         world.StageFolder(folder + "\\held");
         const auto held = Held(world, folder + "\\held");
         ASSERT_TRUE(held);
         EXPECT_TRUE(world.MakeJunction(folder + "\\held", folder + "\\target"));
         EXPECT_EQ(*world.files().Inspect(folder + "\\held"), PathKind::kLink);
     },
     OnWine::kFakesOnly, "Wine 8 makes no reparse points (FSCTL_SET_REPARSE_POINT)"},
    // "File System Redirector": System32 is SysWOW64 to a 32-bit process, system32\spool aside.
    {"A32BitProcessesSystem32IsSysWow64WhileRedirectionIsOn",
     [](World& world) {
         if (!world.Wow64Process()) GTEST_SKIP() << "a 64-bit process has no redirection";
         const std::string name = Unique("qar-conformance") + ".dat";
         world.StageFile("C:\\windows\\syswow64\\" + name, "x");
         EXPECT_EQ(*world.files().Inspect("C:\\windows\\system32\\" + name), PathKind::kFile);
         const Wow64RedirectionOff realSystem32(world.files());
         EXPECT_EQ(*world.files().Inspect("C:\\windows\\system32\\" + name), PathKind::kMissing);
     }},
    {"TheSpoolFolderIsNotRedirected",
     [](World& world) {
         const std::string path =
             "C:\\windows\\system32\\spool\\drivers\\x64\\" + Unique("qar-conformance");
         world.StageFile(path, "x");
         EXPECT_EQ(*world.files().Inspect(path), PathKind::kFile);
     }},
    {"AnsiTextIsReadInTheAnsiCodePage",
     [](World& world) { EXPECT_EQ(world.files().FromAnsi("LPT\xb2"), u"LPT\u00b2"); }},
};

QAR_CONFORMANCE_SUITE(Files, kFileCases);

}  // namespace

}  // namespace qar::conformance
