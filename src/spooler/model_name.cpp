#include "spooler/model_name.h"

#include <algorithm>

#include "platform/file_path.h"

namespace qar {

namespace {

bool IsControlCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

}  // namespace

bool IsAcceptableModelName(const FileSystem& files, std::string_view name) {
    return !name.empty() && name.find_first_of("\\/:") == std::string_view::npos &&
           name.find("..") == std::string_view::npos &&
           std::none_of(name.begin(), name.end(), IsControlCharacter) && !IsDeviceName(files, name);
}

}  // namespace qar
