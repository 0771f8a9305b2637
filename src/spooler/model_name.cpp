#include "spooler/model_name.h"

#include <algorithm>
#include <cctype>

#include "platform/file_path.h"

namespace qar {

namespace {

bool IsControlCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

}  // namespace

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool IsAcceptableModelName(const FileSystem& files, std::string_view name) {
    return !name.empty() && name.find_first_of("\\/:") == std::string_view::npos &&
           name.find("..") == std::string_view::npos &&
           std::none_of(name.begin(), name.end(), IsControlCharacter) && !IsDeviceName(files, name);
}

}  // namespace qar
