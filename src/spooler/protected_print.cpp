#include "spooler/protected_print.h"

#include <array>

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
    return value && value->size() == sizeof(std::uint32_t) && (*value)[0] == 1 &&
           (*value)[1] == 0 && (*value)[2] == 0 && (*value)[3] == 0;
}

}  // namespace

bool ProtectedPrintModeOn(Registry& registry) {
    for (const char* keyPath : kModeKeys) {
        if (ModeSetIn(registry, keyPath)) return true;
    }
    return false;
}

}  // namespace qar
