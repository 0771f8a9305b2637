#include "fakes/fake_processes.h"

namespace qar::fake {

namespace {

class FakeProcess final : public Process, private CountedHandle {
  public:
    FakeProcess(FakeControl& control, std::function<void()> body, std::string path)
        : CountedHandle(control), body_(std::move(body)), path_(std::move(path)) {}
    ~FakeProcess() override { control_.Record("CloseHandle(" + path_ + ")"); }

    Win32Error WaitForExit() override {
        control_.Record("WaitForSingleObject(" + path_ + ")");
        if (auto failure = control_.InjectedFailure("WaitForSingleObject")) return *failure;
        if (body_) std::exchange(body_, nullptr)();
        return win32_error::kSuccess;
    }

  private:
    std::function<void()> body_;
    std::string path_;
};

}  // namespace

Result<std::unique_ptr<Process>> FakeProcesses::Start(std::string_view applicationPath,
                                                      bool highPriority) {
    control_.Record("CreateProcess(" + std::string(applicationPath) +
                    (highPriority ? ", high" : ", normal") + ")");
    if (auto failure = control_.InjectedFailure("CreateProcess")) return Failure{*failure};
    auto program = programs.find(applicationPath);
    if (program == programs.end()) return Failure{win32_error::kFileNotFound};
    return std::unique_ptr<Process>(
        std::make_unique<FakeProcess>(control_, program->second, std::string(applicationPath)));
}

void FakeProcesses::Sleep(std::uint32_t milliseconds) {
    control_.Record("Sleep(" + std::to_string(milliseconds) + ")");
    sleptMilliseconds += milliseconds;
}

Result<std::unique_ptr<InstanceLock>> FakeProcesses::TryLock(std::string_view namespaceName,
                                                             std::string_view lockName) {
    const std::string name = std::string(namespaceName) + "\\" + std::string(lockName);
    control_.Record("CreateMutex(" + name + ")");
    if (auto failure = control_.InjectedFailure("CreateMutex")) return Failure{*failure};
    if (madeByOtherAccounts.contains(name)) return Failure{win32_error::kAccessDenied};
    for (const std::string& other : heldElsewhere) {
        if (other == name) return std::unique_ptr<InstanceLock>();
    }
    if (held.contains(name)) return std::unique_ptr<InstanceLock>();
    struct FakeLock final : InstanceLock, private CountedHandle {
        FakeLock(FakeControl& control, std::set<std::string, std::less<>>& held, std::string name)
            : CountedHandle(control), held_(held), name_(std::move(name)) {
            held_.insert(name_);
        }
        ~FakeLock() override { held_.erase(name_); }
        std::set<std::string, std::less<>>& held_;
        std::string name_;
    };
    return std::unique_ptr<InstanceLock>(std::make_unique<FakeLock>(control_, held, name));
}

}  // namespace qar::fake
