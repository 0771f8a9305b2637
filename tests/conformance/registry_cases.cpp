// HKEY_LOCAL_MACHINE as the installer relies on it.
#include "conformance/conformance.h"
#include "platform/win32_error.h"

namespace qar::conformance {

namespace {

std::string FreshKey() {
    return "SOFTWARE\\QarConformance\\" + Unique("key");
}

RegistryKeyPtr Created(World& world, const std::string& path) {
    auto key = world.registry().CreateLocalMachineKey(path);
    EXPECT_TRUE(key) << path;
    return key ? std::move(*key) : nullptr;
}

RegistryKeyPtr OpenedForReading(World& world) {
    const std::string path = FreshKey();
    Created(world, path);
    auto key = world.registry().OpenLocalMachineKey(path, RegistryAccess::kRead);
    EXPECT_TRUE(key) << path;
    return key ? std::move(*key) : nullptr;
}

const Case kRegistryCases[] = {
    {"OpeningAKeyThatIsNotThereFailsWith2",
     [](World& world) {
         EXPECT_EQ(world.registry().OpenLocalMachineKey(FreshKey(), RegistryAccess::kRead).error(),
                   win32_error::kFileNotFound);
     }},
    {"CreatingAnExistingKeyOpensItWithItsValues",
     [](World& world) {
         const std::string path = FreshKey();
         ASSERT_EQ(Created(world, path)->SetDword("kept", 7), win32_error::kSuccess);
         const auto value = Created(world, path)->QueryValue("kept", 4);
         ASSERT_TRUE(value);
         EXPECT_EQ(*value, (std::vector<std::uint8_t>{7, 0, 0, 0}));
     }},
    {"KeyOpenedForReadingRefusesWritesWith5",
     [](World& world) {
         const auto key = OpenedForReading(world);
         ASSERT_TRUE(key);
         EXPECT_EQ(key->SetString("v", "x"), win32_error::kAccessDenied);
         EXPECT_EQ(key->SetDword("n", 1), win32_error::kAccessDenied);
         EXPECT_EQ(key->QueryValue("v", 4).error(), win32_error::kFileNotFound);
     }},
    {"SubkeyOfAKeyOpenedForReadingIsRefusedWith5",
     [](World& world) {
         const auto key = OpenedForReading(world);
         ASSERT_TRUE(key);
         EXPECT_EQ(key->CreateSubKey("child").error(), win32_error::kAccessDenied);
     },
     OnWine::kLenient,
     "RegCreateKeyEx: the parent's handle must carry KEY_CREATE_SUB_KEY; Wine creates the "
     "subkey through a KEY_READ handle"},
    {"StringDataCountsItsTerminatingZero",
     [](World& world) {
         auto key = Created(world, FreshKey());
         ASSERT_EQ(key->SetString("v", "abc"), win32_error::kSuccess);
         EXPECT_EQ(*key->QueryValue("v", 16), (std::vector<std::uint8_t>{'a', 'b', 'c', 0}));
     }},
    {"ValueBeyondItsBufferFailsWith234",
     [](World& world) {
         auto key = Created(world, FreshKey());
         ASSERT_EQ(key->SetString("v", "abc"), win32_error::kSuccess);
         EXPECT_EQ(key->QueryValue("v", 3).error(), win32_error::kMoreData);
     }},
    // RegEnumValue counts the name's capacity in characters with its terminator.
    {"EnumeratedNameOrDataBeyondTheirBuffersFailWith234",
     [](World& world) {
         auto key = Created(world, FreshKey());
         ASSERT_EQ(key->SetString("name", "data"), win32_error::kSuccess);
         EXPECT_EQ(key->EnumValue(0, 4, 16).error(), win32_error::kMoreData);
         EXPECT_EQ(key->EnumValue(0, 5, 4).error(), win32_error::kMoreData);
         const auto value = key->EnumValue(0, 5, 5);
         ASSERT_TRUE(value);
         EXPECT_EQ(value->name, "name");
         EXPECT_EQ(value->data.size(), 5u);
     }},
    {"EnumerationPastTheLastValueFailsWith259",
     [](World& world) {
         auto key = Created(world, FreshKey());
         ASSERT_EQ(key->SetDword("only", 1), win32_error::kSuccess);
         EXPECT_EQ(key->EnumValue(1, 64, 64).error(), win32_error::kNoMoreItems);
     }},
    {"KeyFiguresCountNamesInCharactersAndDataInBytes",
     [](World& world) {
         auto key = Created(world, FreshKey());
         ASSERT_EQ(key->SetString("longer", "text"), win32_error::kSuccess);
         ASSERT_EQ(key->SetDword("n", 1), win32_error::kSuccess);
         ASSERT_TRUE(key->CreateSubKey("child"));
         const auto figures = key->QueryInfo();
         ASSERT_TRUE(figures);
         EXPECT_EQ(figures->valueCount, 2u);
         EXPECT_EQ(figures->longestValueName, 6u);
         EXPECT_EQ(figures->longestValueData, 10u);  // "text" and its terminator, in UTF-16
         EXPECT_EQ(figures->subKeyCount, 1u);
     }},
    // RegDeleteKey: "The subkey to be deleted must not have subkeys."
    {"KeyWithASubkeyIsNotDeleted",
     [](World& world) {
         const std::string path = FreshKey();
         ASSERT_TRUE(Created(world, path + "\\child"));
         EXPECT_NE(world.registry().DeleteLocalMachineKey(path), win32_error::kSuccess);
         EXPECT_TRUE(world.registry().OpenLocalMachineKey(path, RegistryAccess::kRead));
     }},
    {"DeletingAKeyThatIsNotThereAnswers2",
     [](World& world) {
         EXPECT_EQ(world.registry().DeleteLocalMachineKey(FreshKey()), win32_error::kFileNotFound);
     }},
    {"SoftwareKeysAreRedirectedExactlyInA32BitProcess",
     [](World& world) {
         EXPECT_EQ(world.registry().SoftwareKeysRedirected(), world.Wow64Process());
     }},
    // "Registry Redirector": a 32-bit process's HKLM\SOFTWARE keys lie under WOW6432Node.
    {"A32BitProcessesSoftwareKeysLieUnderWow6432Node",
     [](World& world) {
         const std::string name = Unique("view");
         Created(world, "SOFTWARE\\QarConformance\\" + name);
         const auto native = world.registry().OpenLocalMachineKey(
             "SOFTWARE\\QarConformance\\" + name, RegistryAccess::kReadNative);
         const auto wow = world.registry().OpenLocalMachineKey(
             "SOFTWARE\\WOW6432Node\\QarConformance\\" + name, RegistryAccess::kReadNative);
         EXPECT_EQ(!native, world.Wow64Process());
         EXPECT_EQ(bool(wow), world.Wow64Process());
     }},
};

QAR_CONFORMANCE_SUITE(Registry, kRegistryCases);

}  // namespace

}  // namespace qar::conformance
