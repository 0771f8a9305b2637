#include "fakes/fake_profile.h"

#include <optional>
#include <sstream>

namespace qar::fake {

namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// A value in a pair of quotes, single or double, loses them (Wine and Windows).
std::string_view Unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::optional<std::string> FindIniValue(const std::string& content, std::string_view section,
                                        std::string_view key) {
    std::istringstream lines(content);
    std::string line;
    bool inSection = false;
    while (std::getline(lines, line)) {
        std::string_view text = Trim(line);
        if (text.starts_with('[') && text.ends_with(']')) {
            inSection = EqualsIgnoringCase(Trim(text.substr(1, text.size() - 2)), section);
            continue;
        }
        const auto equals = text.find('=');
        if (inSection && equals != std::string_view::npos &&
            EqualsIgnoringCase(Trim(text.substr(0, equals)), key)) {
            return std::string(Unquoted(Trim(text.substr(equals + 1))));
        }
    }
    return std::nullopt;
}

}  // namespace

std::string FakeProfile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view fallback, std::string_view path,
                                    std::uint32_t capacity) {
    control_.Record("GetPrivateProfileString(" + std::string(section) + ", " + std::string(key) +
                    ", " + std::string(path) + ")");
    std::string value(fallback);
    if (!control_.InjectedFailure("GetPrivateProfileString")) {
        if (auto content = files_.Content(path)) {
            if (auto found = FindIniValue(*content, section, key)) value = *found;
        }
    }
    if (capacity == 0) return {};
    if (value.size() > capacity - 1) value.resize(capacity - 1);
    return value;
}

}  // namespace qar::fake
