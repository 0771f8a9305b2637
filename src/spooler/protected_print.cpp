#include "spooler/protected_print.h"

#include <algorithm>
#include <array>
#include <vector>

namespace qar {

namespace {

constexpr std::array kModeKeys = {
    "SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP",
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print\\WPP",
};
constexpr std::string_view kModeValue = "WindowsProtectedPrintMode";

bool ModeSetIn(Registry& registry, std::string_view keyPath) {
    auto key = registry.OpenLocalMachineKey(keyPath, RegistryAccess::kReadNative);
    if (!key) return false;
    const auto value = (*key)->QueryValue(kModeValue, sizeof(std::uint32_t));
    return value && *value == std::vector<std::uint8_t>{1, 0, 0, 0};  // REG_DWORD 1
}

}  // namespace

bool ProtectedPrintModeOn(Registry& registry) {
    return std::ranges::any_of(kModeKeys,
                               [&](const char* keyPath) { return ModeSetIn(registry, keyPath); });
}

}  // namespace qar
