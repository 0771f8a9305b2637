// The compiled resource file as a whole: its layout, the set of resources, the manifest
// and the version record.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

#include "compiled_resources.h"
#include "qar_version.h"
#include "resource.h"

namespace qar::res {
namespace {

std::vector<std::uint16_t> Sorted(std::vector<std::uint16_t> ids) {
    std::sort(ids.begin(), ids.end());
    return ids;
}

TEST(ResourceFile, StartsWithTheEmpty32ByteEntry) {
    std::ifstream in(QAR_RES_FILE, std::ios::binary);
    ASSERT_TRUE(in) << QAR_RES_FILE;
    std::vector<unsigned char> head(32);
    in.read(reinterpret_cast<char*>(head.data()), 32);
    ASSERT_EQ(in.gcount(), 32);
    const std::vector<unsigned char> empty = {0, 0,    0,    0, 0x20, 0, 0, 0, 0xFF, 0xFF, 0,
                                              0, 0xFF, 0xFF, 0, 0,    0, 0, 0, 0,    0,    0,
                                              0, 0,    0,    0, 0,    0, 0, 0, 0,    0};
    EXPECT_EQ(head, empty);
    const Resource& first = CompiledResources().entries().front();
    EXPECT_EQ(first.type, NameOrOrdinal::Ordinal(0));
    EXPECT_TRUE(first.data.empty());
}

TEST(ResourceFile, HoldsExactlyTheFiveDialogTemplates) {
    EXPECT_EQ(Sorted(CompiledResources().NamesOfType(kRtDialog)),
              (std::vector<std::uint16_t>{IDD_ABOUTBOX, IDD_MODELPROBE_U_DIALOG, IDD_EXTEND_PROTECT,
                                          IDD_AVI_PLAYER, IDD_SELECT_PORT}));
}

TEST(ResourceFile, HoldsExactlyTheThreePictures) {
    EXPECT_EQ(Sorted(CompiledResources().NamesOfType(kRtBitmap)),
              (std::vector<std::uint16_t>{129, 130, 131}));
}

TEST(ResourceFile, EveryResourceIsUsEnglish) {
    const auto& entries = CompiledResources().entries();
    for (std::size_t i = 1; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].language, kLangEnglishUs)
            << Describe(entries[i].type) << " " << Describe(entries[i].name);
    }
}

std::string Manifest() {
    const Resource* entry = CompiledResources().Find(kRtManifest, 1);
    if (entry == nullptr) return {};
    return std::string(entry->data.begin(), entry->data.end());
}

// The element of `xml` that starts with `open` and contains `marker`, e.g. the
// <assemblyIdentity .../> that names a given assembly.
std::string ElementWith(const std::string& xml, const std::string& open,
                        const std::string& marker) {
    const std::size_t at = xml.find(marker);
    if (at == std::string::npos) return {};
    const std::size_t start = xml.rfind(open, at);
    const std::size_t end = xml.find('>', at);
    if (start == std::string::npos || end == std::string::npos) return {};
    return xml.substr(start, end + 1 - start);
}

TEST(Manifest, AsksForAdministratorRights) {
    const std::string manifest = Manifest();
    ASSERT_FALSE(manifest.empty()) << "manifest resource 1 missing";
    const std::string level =
        ElementWith(manifest, "<requestedExecutionLevel", "<requestedExecutionLevel");
    EXPECT_NE(level.find("level=\"requireAdministrator\""), std::string::npos) << level;
    EXPECT_NE(level.find("uiAccess=\"false\""), std::string::npos) << level;
}

TEST(Manifest, NamesTheProgramWithTheProjectVersion) {
    const std::string identity =
        ElementWith(Manifest(), "<assemblyIdentity", "name=\"QAR.Modelprobe_u\"");
    EXPECT_NE(identity.find("version=\"" QAR_VERSION_FOUR_PARTS "\""), std::string::npos)
        << identity;
}

TEST(Manifest, DependsOnCommonControls6ForAnyProcessor) {
    const std::string identity =
        ElementWith(Manifest(), "<assemblyIdentity", "name=\"Microsoft.Windows.Common-Controls\"");
    ASSERT_FALSE(identity.empty());
    EXPECT_NE(identity.find("version=\"6.0.0.0\""), std::string::npos) << identity;
    EXPECT_NE(identity.find("processorArchitecture=\"*\""), std::string::npos) << identity;
    EXPECT_NE(identity.find("publicKeyToken=\"6595b64144ccf1df\""), std::string::npos) << identity;
    EXPECT_NE(identity.find("type=\"win32\""), std::string::npos) << identity;
}

TEST(Manifest, IsTheOnlyManifest) {
    EXPECT_EQ(CompiledResources().NamesOfType(kRtManifest), std::vector<std::uint16_t>{1});
}

// The version set once in CMake, as the resource's two numbers hold it.
constexpr std::uint32_t kVersionMs = (QAR_VERSION_MAJOR << 16) | QAR_VERSION_MINOR;
constexpr std::uint32_t kVersionLs = QAR_VERSION_PATCH << 16;

TEST(VersionRecord, CarriesTheProjectVersionOfAnApplication) {
    const Resource* entry = CompiledResources().Find(kRtVersion, 1);
    ASSERT_NE(entry, nullptr) << "version resource 1 missing";
    const VersionInfo info = ParseVersion(entry->data);
    EXPECT_EQ(info.fileVersionMs, kVersionMs);
    EXPECT_EQ(info.fileVersionLs, kVersionLs);
    EXPECT_EQ(info.productVersionMs, kVersionMs);
    EXPECT_EQ(info.productVersionLs, kVersionLs);
    EXPECT_EQ(info.fileOs, 0x00040004u);  // VOS_NT_WINDOWS32
    EXPECT_EQ(info.fileType, 1u);         // VFT_APP
    EXPECT_EQ(info.fileFlags, 0u);
}

TEST(VersionRecord, NamesTheProductAndItsMaker) {
    const Resource* entry = CompiledResources().Find(kRtVersion, 1);
    ASSERT_NE(entry, nullptr);
    const VersionInfo info = ParseVersion(entry->data);
    ASSERT_EQ(info.strings.count(u"040904b0"), 1u);
    const auto& values = info.strings.at(u"040904b0");
    EXPECT_EQ(values.at(u"ProductName"), u"Modelprobe_u");
    EXPECT_EQ(values.at(u"CompanyName"), u"QAR");
    EXPECT_EQ(values.at(u"FileDescription"), u"QAR cutter driver installer");
    const std::string version = QAR_VERSION_FOUR_PARTS;
    const std::u16string expected(version.begin(), version.end());
    EXPECT_EQ(values.at(u"FileVersion"), expected);
    EXPECT_EQ(values.at(u"ProductVersion"), expected);
    EXPECT_EQ(values.at(u"OriginalFilename"), u"Modelprobe_u.exe");
    EXPECT_EQ(info.translations,
              (std::vector<std::pair<std::uint16_t, std::uint16_t>>{{0x0409, 1200}}));
}

}  // namespace
}  // namespace qar::res
