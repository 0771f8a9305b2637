#pragma once

#include <algorithm>
#include <cctype>
#include <string_view>

namespace qar {

// Names as Windows compares printers, drivers, ports, devices and switches: ignoring the case of
// ASCII letters.
inline bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace qar
