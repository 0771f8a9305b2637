#include "platform/win32/win32_processes.h"

#include <windows.h>

#include <string>

#include "platform/win32/handle_traits.h"

namespace qar::win32 {

namespace {

class Win32Process final : public Process {
  public:
    Win32Process(HANDLE process, HANDLE thread) : process_(process), thread_(thread) {}
    ~Win32Process() override {
        // The process handle first, then the thread's.
        process_.Reset();
        thread_.Reset();
    }

    Win32Error WaitForExit() override {
        if (WaitForSingleObject(process_.Get(), INFINITE) == WAIT_FAILED) {
            return static_cast<Win32Error>(GetLastError());
        }
        return win32_error::kSuccess;
    }

  private:
    UniqueKernelObject process_;
    UniqueKernelObject thread_;
};

}  // namespace

Result<std::unique_ptr<Process>> Win32Processes::Start(std::string_view applicationPath,
                                                       bool highPriority) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(std::string(applicationPath).c_str(), nullptr, nullptr, nullptr, FALSE,
                        highPriority ? HIGH_PRIORITY_CLASS : 0, nullptr, nullptr, &startup,
                        &process)) {
        return Failure{static_cast<Win32Error>(GetLastError())};
    }
    return std::unique_ptr<Process>(
        std::make_unique<Win32Process>(process.hProcess, process.hThread));
}

void Win32Processes::Sleep(std::uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

namespace {

class Win32InstanceLock final : public InstanceLock {
  public:
    explicit Win32InstanceLock(UniqueKernelObject mutex) : mutex_(std::move(mutex)) {}
    ~Win32InstanceLock() override { ReleaseMutex(mutex_.Get()); }

  private:
    UniqueKernelObject mutex_;
};

}  // namespace

std::unique_ptr<InstanceLock> Win32Processes::TryLock(std::string_view name) {
    UniqueKernelObject mutex(CreateMutexA(nullptr, FALSE, std::string(name).c_str()));
    // A mutex this process may not open belongs to a run of another user: held.
    if (!mutex) return nullptr;
    const DWORD waited = WaitForSingleObject(mutex.Get(), 0);
    // Abandoned: the run that held it ended without letting go; the lock is ours now.
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return nullptr;
    return std::make_unique<Win32InstanceLock>(std::move(mutex));
}

}  // namespace qar::win32
