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

void (*unfiredReporter)(const std::string& call) = nullptr;

void ReportIfUnfired(const std::string& name, bool fired) {
    if (!fired && unfiredReporter) unfiredReporter(name);
}

template <typename Injections>
void ReportUnfired(const Injections& failures) {
    std::map<std::string, bool> fired;
    for (const auto& [name, injection] : failures) {
        fired[injection.group.empty() ? name : injection.group] |= injection.fired;
    }
    for (const auto& [name, any] : fired) ReportIfUnfired(name, any);
}

}  // namespace

FakeControl::~FakeControl() {
    Reset();
}

void FakeControl::Reset() {
    ReportUnfired(failures_);
    failures_.clear();
    calls_.clear();
}

void FakeControl::SetUnfiredReporter(void (*reporter)(const std::string& call)) {
    unfiredReporter = reporter;
}

void FakeControl::Arm(std::string_view name, Injection injection) {
    const auto [armed, inserted] = failures_.try_emplace(std::string(name), injection);
    if (inserted) return;
    if (armed->second.group.empty()) ReportIfUnfired(armed->first, armed->second.fired);
    armed->second = injection;
}

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
    Arm(name, {code, times, 0});
}

void FakeControl::FailModule(std::string_view module, const std::set<std::string>& names,
                             Win32Error code) {
    for (const std::string& name : names) Arm(name, {code, -1, 0, false, std::string(module)});
}

void FakeControl::FailCallAfter(std::string_view name, int successes, Win32Error code, int times) {
    Arm(name, {code, times, successes});
}

std::optional<Win32Error> FakeControl::InjectedFailure(std::string_view name) {
    auto found = failures_.find(name);
    if (found == failures_.end() || found->second.remaining == 0) return std::nullopt;
    if (found->second.passesFirst > 0) {
        --found->second.passesFirst;
        return std::nullopt;
    }
    if (found->second.remaining > 0) --found->second.remaining;
    found->second.fired = true;
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
