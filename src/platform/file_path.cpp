#include "platform/file_path.h"

#include <cctype>

namespace qar {

namespace {

// Where the root ends ("C:\" or "\\server\share\"); nothing for a path without one.
std::optional<std::size_t> RootLength(std::string_view path) {
    if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
        path[2] == '\\') {
        return 3;
    }
    if (!path.starts_with("\\\\")) return std::nullopt;
    const std::size_t serverEnd = path.find('\\', 2);
    if (serverEnd == std::string_view::npos || serverEnd == 2) return std::nullopt;
    const std::string_view server = path.substr(2, serverEnd - 2);
    if (server == "?" || server == ".") return std::nullopt;
    const std::size_t shareEnd = path.find('\\', serverEnd + 1);
    if (shareEnd == std::string_view::npos || shareEnd == serverEnd + 1) return std::nullopt;
    return shareEnd + 1;
}

bool PlainStep(std::string_view step) {
    return !step.empty() && step != "." && step != ".." &&
           step.find_first_of(":/*?\"<>|") == std::string_view::npos;
}

}  // namespace

std::optional<std::vector<std::string>> FoldersOnPath(std::string_view path) {
    const auto root = RootLength(path);
    if (!root) return std::nullopt;
    std::vector<std::string> folders;
    std::size_t stepStart = *root;
    for (;;) {
        const std::size_t stepEnd = path.find('\\', stepStart);
        const std::string_view step = path.substr(stepStart, stepEnd - stepStart);
        if (!PlainStep(step)) return std::nullopt;
        if (stepEnd == std::string_view::npos) return folders;
        folders.emplace_back(path.substr(0, stepEnd));
        stepStart = stepEnd + 1;
    }
}

}  // namespace qar
