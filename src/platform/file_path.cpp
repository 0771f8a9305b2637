#include "platform/file_path.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "platform/ignoring_case.h"

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

// The steps below the root, as written; nothing without a root.
std::optional<std::vector<std::string_view>> Steps(std::string_view path) {
    const auto root = RootLength(path);
    if (!root) return std::nullopt;
    std::vector<std::string_view> steps;
    for (std::size_t start = *root;;) {
        const std::size_t end = path.find('\\', start);
        steps.push_back(path.substr(start, end - start));
        if (end == std::string_view::npos) return steps;
        start = end + 1;
    }
}

bool PlainStep(std::string_view step) {
    return !step.empty() && step != "." && step != ".." &&
           step.find_first_of(":/*?\"<>|") == std::string_view::npos;
}

bool EndsInBlankOrDot(std::string_view step) {
    return !step.empty() && (step.back() == ' ' || step.back() == '.');
}

}  // namespace

bool IsDeviceName(const FileSystem& files, std::string_view name) {
    // Windows compares what comes before the first dot, trailing blanks dropped.
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    constexpr std::array<std::string_view, 6> kFixed = {"CON", "PRN",    "AUX",
                                                        "NUL", "CONIN$", "CONOUT$"};
    if (std::any_of(kFixed.begin(), kFixed.end(),
                    [&](std::string_view device) { return EqualIgnoringCase(base, device); })) {
        return true;
    }
    if (base.size() < 4 || (!EqualIgnoringCase(base.substr(0, 3), "COM") &&
                            !EqualIgnoringCase(base.substr(0, 3), "LPT"))) {
        return false;
    }
    // The digit may take more than one byte in the ANSI code page.
    const std::u16string digit = files.FromAnsi(base.substr(3));
    return digit.size() == 1 && ((digit[0] >= u'1' && digit[0] <= u'9') || digit[0] == u'\u00B9' ||
                                 digit[0] == u'\u00B2' || digit[0] == u'\u00B3');
}

// Built by appending: GCC 12 warns wrongly (-Wrestrict) on a literal plus a string.
std::string Quoted(std::string_view text) {
    std::string quoted(1, '"');
    quoted.append(text).push_back('"');
    return quoted;
}

std::optional<std::string> ReinterpretedStep(const FileSystem& files, std::string_view path) {
    const auto steps = Steps(path);
    if (!steps) return std::nullopt;
    for (std::string_view step : *steps) {
        if (step == "." || step == "..") continue;
        if (EndsInBlankOrDot(step) || IsDeviceName(files, step)) return std::string(step);
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> FoldersOnPath(const FileSystem& files,
                                                      std::string_view path) {
    const auto steps = Steps(path);
    if (!steps) return std::nullopt;
    std::vector<std::string> folders;
    for (std::string_view step : *steps) {
        if (!PlainStep(step) || EndsInBlankOrDot(step) || IsDeviceName(files, step)) {
            return std::nullopt;
        }
        const std::size_t end = static_cast<std::size_t>(step.data() + step.size() - path.data());
        if (end < path.size()) folders.emplace_back(path.substr(0, end));
    }
    return folders;
}

}  // namespace qar
