// GetPrivateProfileString as the installer reads the models' INI files.
#include "conformance/conformance.h"

namespace qar::conformance {

namespace {

std::string Read(World& world, std::string_view content, std::string_view section,
                 std::string_view key, std::uint32_t capacity = 64) {
    const std::string path = ScratchFolder(world) + "\\model.ini";
    world.StageFile(path, content);
    return world.profile().ReadString(section, key, "fallback", path, capacity);
}

const Case kProfileCases[] = {
    {"MissingFileGivesTheFallback",
     [](World& world) {
         const std::string path = ScratchFolder(world) + "\\absent.ini";
         EXPECT_EQ(world.profile().ReadString("S", "k", "fallback", path, 64), "fallback");
     }},
    {"MissingKeyGivesTheFallback",
     [](World& world) { EXPECT_EQ(Read(world, "[S]\r\nother=1\r\n", "S", "k"), "fallback"); }},
    {"SectionAndKeyNamesIgnoreCase",
     [](World& world) {
         EXPECT_EQ(Read(world, "[Model]\r\nName=aaTZ\r\n", "MODEL", "name"), "aaTZ");
     }},
    {"BlanksAroundTheValueAreDropped",
     [](World& world) {
         EXPECT_EQ(Read(world, "[S]\r\nk =  two words  \r\n", "S", "k"), "two words");
     }},
    // "at most capacity - 1 characters, then a terminating null character"
    {"ValueIsCutToTheBufferLessItsTerminator",
     [](World& world) { EXPECT_EQ(Read(world, "[S]\r\nk=abcdef\r\n", "S", "k", 4), "abc"); }},
    {"QuotesAroundTheValueAreDropped",
     [](World& world) { EXPECT_EQ(Read(world, "[S]\r\nk=\"quoted\"\r\n", "S", "k"), "quoted"); }},
};

QAR_CONFORMANCE_SUITE(Profile, kProfileCases);

}  // namespace

}  // namespace qar::conformance
