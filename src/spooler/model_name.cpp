#include "spooler/model_name.h"

#include <algorithm>
#include <cctype>

namespace qar {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool IsAcceptableModelName(std::string_view name) {
    return !name.empty() && name.find_first_of("\\/:") == std::string_view::npos &&
           name.find("..") == std::string_view::npos;
}

}  // namespace qar
