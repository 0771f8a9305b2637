// Programs as callbacks: starting one runs what the test says it does.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fakes/fake_control.h"
#include "platform/processes.h"

namespace qar::fake {

class FakeProcesses final : public Processes {
  public:
    explicit FakeProcesses(FakeControl& control) : control_(control) {}

    Result<std::unique_ptr<Process>> Start(std::string_view applicationPath,
                                           bool highPriority) override;
    void Sleep(std::uint32_t milliseconds) override;
    Result<std::unique_ptr<InstanceLock>> TryLock(std::string_view namespaceName,
                                                  std::string_view name) override;

    // What each program does when it runs (while it is waited for).
    std::map<std::string, std::function<void()>, CaseInsensitiveLess> programs;
    std::uint32_t sleptMilliseconds = 0;
    // Lock names ("namespace\\name") another run of the installer holds.
    std::vector<std::string> heldElsewhere;
    // Object names other accounts made first. Any user may create an object in Global\ (it needs
    // no privilege); a private namespace admits only those its boundary names.
    std::set<std::string, std::less<>> madeByOtherAccounts;
    // Lock names this process holds: a name is refused while a lock of it handed out is alive.
    std::set<std::string, std::less<>> held;

  private:
    FakeControl& control_;
};

}  // namespace qar::fake
