#include "spooler/model_name.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace qar {

namespace {

// Names Windows takes for a device in any folder and with any extension ("nul.txt" is NUL).
// COM1 to COM9 and LPT1 to LPT9 are such names too.
constexpr std::array<std::string_view, 4> kDeviceNames = {"CON", "PRN", "AUX", "NUL"};

bool IsControlCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

// The part of a file name that Windows compares with its device names: what comes before the
// first dot, without the blanks it drops there ("NUL .INI" is NUL).
std::string_view DeviceNamePart(std::string_view name) {
    const std::string_view stem = name.substr(0, name.find('.'));
    const auto last = stem.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string_view() : stem.substr(0, last + 1);
}

bool IsDeviceName(std::string_view name) {
    const std::string_view part = DeviceNamePart(name);
    for (std::string_view device : kDeviceNames) {
        if (EqualIgnoringCase(part, device)) return true;
    }
    if (part.size() != 4 || part[3] < '1' || part[3] > '9') return false;
    return EqualIgnoringCase(part.substr(0, 3), "COM") ||
           EqualIgnoringCase(part.substr(0, 3), "LPT");
}

}  // namespace

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool IsAcceptableModelName(std::string_view name) {
    return !name.empty() && name.find_first_of("\\/:") == std::string_view::npos &&
           name.find("..") == std::string_view::npos &&
           std::none_of(name.begin(), name.end(), IsControlCharacter) && !IsDeviceName(name);
}

}  // namespace qar
