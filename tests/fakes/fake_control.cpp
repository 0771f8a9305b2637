#include "fakes/fake_control.h"

#include <algorithm>
#include <cctype>

namespace qar::fake {

namespace {

std::string_view CallName(std::string_view call) {
    return call.substr(0, call.find('('));
}

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

}  // namespace

std::size_t FakeControl::CountCalls(std::string_view name) const {
    return CallsNamed(name).size();
}

std::vector<std::string> FakeControl::CallsNamed(std::string_view name) const {
    std::vector<std::string> matching;
    for (const std::string& call : calls_) {
        if (CallName(call) == name) matching.push_back(call);
    }
    return matching;
}

void FakeControl::FailCall(std::string_view name, Win32Error code, int times) {
    failures_[std::string(name)] = {code, times, 0};
}

void FakeControl::FailCallAfter(std::string_view name, int successes, Win32Error code, int times) {
    failures_[std::string(name)] = {code, times, successes};
}

std::optional<Win32Error> FakeControl::InjectedFailure(std::string_view name) {
    auto found = failures_.find(name);
    if (found == failures_.end() || found->second.remaining == 0) return std::nullopt;
    if (found->second.passesFirst > 0) {
        --found->second.passesFirst;
        return std::nullopt;
    }
    if (found->second.remaining > 0) --found->second.remaining;
    return found->second.code;
}

bool CaseInsensitiveLess::operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Lower(x) < Lower(y); });
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

}  // namespace qar::fake
