// Shared bookkeeping of the fakes: every call is recorded, any call can be told to fail,
// and every handle opened and closed is counted.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32_error.h"

namespace qar::fake {

class FakeControl {
  public:
    FakeControl() = default;
    FakeControl(const FakeControl&) = delete;
    FakeControl& operator=(const FakeControl&) = delete;
    // An armed failure that never fired is a test that injected nothing: reported here.
    ~FakeControl();
    // Where unfired failures are reported; a test binary points it at its framework.
    static void SetUnfiredReporter(void (*reporter)(const std::string& call));
    // Calls and armed failures forgotten (unfired ones reported); live handles still counted.
    void Reset();

    void Record(std::string call) { calls_.push_back(std::move(call)); }
    const std::vector<std::string>& Calls() const { return calls_; }
    // Calls whose name (the text before '(') is `name`.
    std::size_t CountCalls(std::string_view name) const;
    std::vector<std::string> CallsNamed(std::string_view name) const;

    // The next `times` calls of `name` fail with `code`; a negative count fails every call.
    void FailCall(std::string_view name, Win32Error code, int times = -1);
    // Lets `successes` calls of `name` through, then fails the following ones with `code`.
    void FailCallAfter(std::string_view name, int successes, Win32Error code, int times = -1);
    // Every call of `module` fails with `code`, as when its DLL cannot be loaded; fired when one
    // of them did.
    void FailModule(std::string_view module, const std::set<std::string>& names, Win32Error code);
    // Consumes one injected failure of `name`, if any.
    std::optional<Win32Error> InjectedFailure(std::string_view name);

    void HandleOpened() { ++opened_; }
    void HandleClosed() { ++closed_; }
    int OpenHandles() const { return opened_ - closed_; }

  private:
    struct Injection {
        Win32Error code;
        int remaining;
        int passesFirst = 0;
        bool fired = false;
        std::string group = {};  // armed together, fired when one member fired
    };
    void Arm(std::string_view name, Injection injection);
    std::vector<std::string> calls_;
    std::map<std::string, Injection, std::less<>> failures_;
    int opened_ = 0;
    int closed_ = 0;
};

// Counts one handle for as long as it lives.
class CountedHandle {
  public:
    explicit CountedHandle(FakeControl& control) : control_(control) { control_.HandleOpened(); }
    CountedHandle(const CountedHandle&) = delete;
    CountedHandle& operator=(const CountedHandle&) = delete;
    ~CountedHandle() { control_.HandleClosed(); }

  protected:
    FakeControl& control_;
};

// Case-insensitive ordering, as Windows compares paths, key names and printer names.
struct CaseInsensitiveLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace qar::fake
