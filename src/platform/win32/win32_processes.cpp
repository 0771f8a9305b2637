#include "platform/win32/win32_processes.h"

#include <windows.h>
#include <aclapi.h>

#include <string>

#include "platform/win32/handle_traits.h"
#include "platform/win32/security_descriptor.h"
#include "platform/win32/system_functions.h"
#include "platform/win32/this_account.h"

namespace qar::win32 {

namespace {

class Win32Process final : public Process {
  public:
    Win32Process(HANDLE process, HANDLE thread) : thread_(thread), process_(process) {}

    Win32Error WaitForExit() override {
        if (WaitForSingleObject(process_.Get(), INFINITE) == WAIT_FAILED) {
            return LastError();
        }
        return win32_error::kSuccess;
    }

  private:
    // Closed in the reverse order: the process handle first, then the thread's.
    UniqueKernelObject thread_;
    UniqueKernelObject process_;
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
        return Failure{LastError()};
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
    Win32InstanceLock(UniqueKernelObject mutex, UniquePrivateNamespace space)
        : space_(std::move(space)), mutex_(std::move(mutex)) {}
    ~Win32InstanceLock() override { ReleaseMutex(mutex_.Get()); }

  private:
    // Closed in the reverse order: the mutex first, then the namespace it was found in.
    UniquePrivateNamespace space_;
    UniqueKernelObject mutex_;
};

// SYSTEM and the administrators only: a standard user may not open the lock, so may not hold it.
constexpr char kLockSecurity[] = "D:P(A;;GA;;;SY)(A;;GA;;;BA)";

// The owner of a lock found already made: SYSTEM, the administrators or this process's own
// account (an earlier run of the same account). Anyone else made it to keep the installer out.
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
    return ThisAccount().Is(owner);
}

// A run that holds the namespace may end between our create and our open, taking it along.
constexpr int kNamespaceAttempts = 3;

// The private namespace of that name whose boundary is the Administrators group at high
// integrity (how a filtered administrator's token is judged at creation is undocumented; the
// label decides it): made, or opened when an earlier run made it. Null with the last error set
// when it cannot be had; the functions missing altogether (Wine 8 has none of them) give
// ERROR_CALL_NOT_IMPLEMENTED.
UniquePrivateNamespace AdministratorsNamespace(const std::string& name) {
    const auto createBoundary = Kernel32::CreateBoundaryDescriptorA();
    const auto addSid = Kernel32::AddSIDToBoundaryDescriptor();
    const auto addLabel = Kernel32::AddIntegrityLabelToBoundaryDescriptor();
    const auto deleteBoundary = Kernel32::DeleteBoundaryDescriptor();
    const auto createNamespace = Kernel32::CreatePrivateNamespaceA();
    const auto openNamespace = Kernel32::OpenPrivateNamespaceA();
    if (!createBoundary || !addSid || !addLabel || !deleteBoundary || !createNamespace ||
        !openNamespace || !Kernel32::ClosePrivateNamespace()) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return UniquePrivateNamespace();
    }
    HANDLE boundary = createBoundary(name.c_str(), 0);
    if (boundary == nullptr) return UniquePrivateNamespace();
    BYTE administrators[SECURITY_MAX_SID_SIZE] = {};
    BYTE highIntegrity[SECURITY_MAX_SID_SIZE] = {};
    DWORD sidSize = sizeof administrators;
    DWORD labelSize = sizeof highIntegrity;
    HANDLE space = nullptr;
    const auto security = SecurityDescriptor(kLockSecurity);
    if (security &&
        CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sidSize) &&
        CreateWellKnownSid(WinHighLabelSid, nullptr, highIntegrity, &labelSize) &&
        addSid(&boundary, administrators) && addLabel(&boundary, highIntegrity)) {
        SECURITY_ATTRIBUTES attributes{sizeof attributes, security->Get(), FALSE};
        for (int attempt = 0; attempt < kNamespaceAttempts && space == nullptr; ++attempt) {
            space = createNamespace(&attributes, boundary, name.c_str());
            if (space == nullptr && GetLastError() != ERROR_ALREADY_EXISTS) break;
            if (space == nullptr) space = openNamespace(boundary, name.c_str());
        }
    }
    const DWORD error = GetLastError();
    deleteBoundary(boundary);
    SetLastError(error);
    return UniquePrivateNamespace(space);
}

// Takes the mutex without waiting: the lock, null while another run holds it, or a failure.
Result<std::unique_ptr<InstanceLock>> Taken(UniqueKernelObject mutex,
                                            UniquePrivateNamespace space) {
    const DWORD waited = WaitForSingleObject(mutex.Get(), 0);
    // Abandoned: the run that held it ended without letting go; the lock is ours now.
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        return std::unique_ptr<InstanceLock>(
            std::make_unique<Win32InstanceLock>(std::move(mutex), std::move(space)));
    }
    if (waited == WAIT_TIMEOUT) return std::unique_ptr<InstanceLock>();  // another run holds it
    return Failure{LastError()};
}

// Where the system has no private namespaces (Wine): the lock in Global\, refused when someone
// who is not an installer made it first.
Result<std::unique_ptr<InstanceLock>> TryGlobalLock(const std::string& name,
                                                    SECURITY_ATTRIBUTES& attributes) {
    UniqueKernelObject mutex(CreateMutexA(&attributes, FALSE, ("Global\\" + name).c_str()));
    // A lock this process may not open was made by someone else, with rights of their own.
    if (!mutex) return Failure{LastError()};
    if (GetLastError() == ERROR_ALREADY_EXISTS && !MadeByAnInstaller(mutex.Get())) {
        return Failure{ERROR_ACCESS_DENIED};
    }
    return Taken(std::move(mutex), UniquePrivateNamespace());
}

}  // namespace

Result<std::unique_ptr<InstanceLock>> Win32Processes::TryLock(std::string_view namespaceName,
                                                              std::string_view name) {
    const auto security = SecurityDescriptor(kLockSecurity);
    if (!security) return Failure{security.error()};
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security->Get(), FALSE};
    const std::string spaceName(namespaceName);
    UniquePrivateNamespace space = AdministratorsNamespace(spaceName);
    if (!space) {
        if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return Failure{LastError()};
        return TryGlobalLock(spaceName + "." + std::string(name), attributes);
    }
    UniqueKernelObject mutex(
        CreateMutexA(&attributes, FALSE, (spaceName + "\\" + std::string(name)).c_str()));
    if (!mutex) return Failure{LastError()};
    return Taken(std::move(mutex), std::move(space));
}

}  // namespace qar::win32
