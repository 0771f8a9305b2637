#include "platform/win32/win32_processes.h"

#include <windows.h>
#include <aclapi.h>

#include <string>
#include <vector>

#include "platform/win32/handle_traits.h"
#include "platform/win32/security_descriptor.h"

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

// SYSTEM and the administrators only: a standard user may not open the lock, so may not hold it.
constexpr char kLockSecurity[] = "D:P(A;;GA;;;SY)(A;;GA;;;BA)";

// The owner of a lock found already made: SYSTEM, the administrators or this process's own default
// owner (an earlier run of the same account). Anyone else made it to keep the installer out.
bool MadeByAnInstaller(HANDLE mutex) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(mutex, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const UniqueLocalMemory ownerDescriptor(descriptor);
    if (IsWellKnownSid(owner, WinLocalSystemSid) ||
        IsWellKnownSid(owner, WinBuiltinAdministratorsSid)) {
        return true;
    }
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    const UniqueKernelObject tokenHandle(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenOwner, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    return size != 0 && GetTokenInformation(token, TokenOwner, buffer.data(), size, &size) &&
           EqualSid(owner, reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner);
}

}  // namespace

Result<std::unique_ptr<InstanceLock>> Win32Processes::TryLock(std::string_view name) {
    const auto security = SecurityDescriptor(kLockSecurity);
    if (!security) return Failure{security.error()};
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security->Get(), FALSE};
    UniqueKernelObject mutex(CreateMutexA(&attributes, FALSE, std::string(name).c_str()));
    // A lock this process may not open was made by someone else, with rights of their own.
    if (!mutex) return Failure{GetLastError()};
    if (GetLastError() == ERROR_ALREADY_EXISTS && !MadeByAnInstaller(mutex.Get())) {
        return Failure{ERROR_ACCESS_DENIED};
    }
    const DWORD waited = WaitForSingleObject(mutex.Get(), 0);
    // Abandoned: the run that held it ended without letting go; the lock is ours now.
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        return std::unique_ptr<InstanceLock>(std::make_unique<Win32InstanceLock>(std::move(mutex)));
    }
    if (waited == WAIT_TIMEOUT) return std::unique_ptr<InstanceLock>();  // another run holds it
    return Failure{GetLastError()};
}

}  // namespace qar::win32
