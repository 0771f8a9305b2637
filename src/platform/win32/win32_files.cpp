#include "platform/win32/win32_files.h"

#include <windows.h>
#include <winternl.h>

#include <string>

#include "platform/win32/ansi_text.h"
#include "platform/win32/bounded_io.h"
#include "platform/win32/handle_facts.h"
#include "platform/win32/handle_traits.h"
#include "platform/win32/security_descriptor.h"
#include "platform/win32/system_functions.h"

namespace qar::win32 {

namespace {

// A folder query into a fixed buffer: a folder that does not fit is an error, not a cut path.
template <typename Query>
Result<std::string> QueryFolder(Query query, UINT capacity) {
    std::string folder(capacity, '\0');
    const UINT length = query(folder.data(), capacity);
    if (length == 0) return Failure{LastError()};
    if (length >= capacity) return Failure{win32_error::kInsufficientBuffer};
    folder.resize(length);
    return folder;
}

class Win32DeviceFile final : public DeviceFile {
  public:
    explicit Win32DeviceFile(UniqueFile file) : file_(std::move(file)) {}

    Result<std::uint32_t> Write(std::span<const std::uint8_t> bytes,
                                std::uint32_t boundMilliseconds) override {
        return WriteWithBound(file_.Get(), bytes, boundMilliseconds);
    }

    Result<std::vector<std::uint8_t>> Read(std::uint32_t maxBytes,
                                           std::uint32_t boundMilliseconds) override {
        return ReadWithBound(file_.Get(), maxBytes, boundMilliseconds);
    }

  private:
    UniqueFile file_;
};

}  // namespace

Win32Error Win32FileSystem::Copy(std::string_view from, std::string_view to, bool failIfExists) {
    return Called(&CopyFileA, std::string(from).c_str(), std::string(to).c_str(),
                  BOOL{failIfExists});
}

Win32Error Win32FileSystem::Remove(std::string_view path) {
    return Called(&DeleteFileA, std::string(path).c_str());
}

Result<std::string> Win32FileSystem::WindowsDirectory() {
    return QueryFolder(&GetWindowsDirectoryA, 260);
}

Result<std::string> Win32FileSystem::SystemDirectory() {
    return QueryFolder(&GetSystemDirectoryA, 256);
}

bool Win32FileSystem::EnableWow64Redirection(bool enable) {
    return Wow64EnableWow64FsRedirection(enable ? TRUE : FALSE) != FALSE;
}

Result<std::unique_ptr<DeviceFile>> Win32FileSystem::OpenDevice(std::string_view path) {
    UniqueFile file(CreateFileA(std::string(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr));
    if (!file) return Failure{LastError()};
    return std::unique_ptr<DeviceFile>(std::make_unique<Win32DeviceFile>(std::move(file)));
}

namespace {

// Gone when the last handle closes; by handle, so it is the entry this run opened.
void DeleteThroughHandle(HANDLE entry) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(entry, FileDispositionInfo, &disposition, sizeof disposition);
}

class Win32LogFile final : public LogFile {
  public:
    Win32LogFile(UniqueFile file, bool created) : file_(std::move(file)), created_(created) {}

    void Append(std::string_view line) override {
        DWORD written = 0;
        WriteFile(file_.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }

    Result<HandleFacts> ReadFacts() override { return FactsOfHandle(file_.Get()); }
    bool Created() const override { return created_; }

    void DeleteIfCreated() override {
        if (created_) DeleteThroughHandle(file_.Get());
    }

  private:
    UniqueFile file_;
    bool created_;
};

constexpr NTSTATUS kObjectNameNotFound = static_cast<NTSTATUS>(0xC0000034);
constexpr NTSTATUS kObjectNameCollision = static_cast<NTSTATUS>(0xC0000035);

// One step opened through the handle of the folder that holds it (NtCreateFile with a root
// directory), so that no path is resolved again: the name as a Win32 open takes it (the ANSI
// code page, case ignored), and a reparse point at its place opened itself, never followed.
struct RelativeOpen {
    ACCESS_MASK access;
    ULONG share;
    ULONG disposition;
    ULONG options;
    PSECURITY_DESCRIPTOR security = nullptr;
};

struct Opened {
    UniqueFile handle;
    bool created = false;
};

// The NTSTATUS of a refusal, as its Win32 error.
Result<Opened> OpenRelative(HANDLE parent, std::string_view name, const RelativeOpen& open,
                            NTSTATUS* refusal = nullptr) {
    const auto create = Ntdll::NtCreateFile();
    const auto toWin32 = Ntdll::RtlNtStatusToDosError();
    if (!create || !toWin32) return Failure{LastError()};
    std::wstring wide = WideFromAnsi(name);
    if (wide.empty() || wide.size() > 0x7FFF) return Failure{ERROR_INVALID_NAME};
    const auto bytes = static_cast<USHORT>(wide.size() * sizeof(wchar_t));
    UNICODE_STRING objectName{bytes, bytes, wide.data()};
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, parent,
                               open.security);
    IO_STATUS_BLOCK status{};
    HANDLE handle = nullptr;
    const NTSTATUS result =
        create(&handle, open.access | SYNCHRONIZE, &attributes, &status, nullptr,
               FILE_ATTRIBUTE_NORMAL, open.share, open.disposition,
               open.options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (result < 0) {
        if (refusal) *refusal = result;
        return Failure{static_cast<Win32Error>(toWin32(result))};
    }
    return Opened{UniqueFile(handle), status.Information == FILE_CREATED};
}

// No delete sharing: while held, the folder can be neither renamed nor removed.
constexpr ACCESS_MASK kHoldAccess = FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL;
constexpr ULONG kHoldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

// Appending only: what earlier runs wrote is never overwritten. DELETE, to take back a file this
// open made in a place that proves wrong; shared, so that a second run can still open the log
// (only administrators may delete in a folder the log is written to).
constexpr ACCESS_MASK kLogAccess = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL | DELETE;
constexpr ULONG kLogShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class Win32HeldFolder final : public HeldFolder {
  public:
    Win32HeldFolder(UniqueFile folder, HandleFacts facts, bool made = false)
        : folder_(std::move(folder)), facts_(std::move(facts)), made_(made) {}
    const HandleFacts& Facts() const override { return facts_; }
    Result<std::unique_ptr<HeldFolder>> HoldChild(std::string_view name,
                                                  std::string_view security) override;
    Result<std::unique_ptr<LogFile>> OpenLogChild(std::string_view name) override;
    bool Made() const override { return made_; }
    void DeleteIfMade() override {
        if (made_) DeleteThroughHandle(folder_.Get());
    }

  private:
    UniqueFile folder_;
    HandleFacts facts_;
    bool made_;
};

// Opened if there; else made, with DELETE to take it back should it prove to lie elsewhere (an
// existing folder is not asked for DELETE, which its owner may not grant); opened again when
// another made it in between.
Result<std::unique_ptr<HeldFolder>> Win32HeldFolder::HoldChild(std::string_view name,
                                                               std::string_view security) {
    const RelativeOpen existing{kHoldAccess, kHoldShare, FILE_OPEN, FILE_DIRECTORY_FILE};
    for (int attempt = 0; attempt < 2; ++attempt) {
        NTSTATUS refusal = 0;
        auto opened = OpenRelative(folder_.Get(), name, existing, &refusal);
        if (!opened && refusal != kObjectNameNotFound) return Failure{opened.error()};
        if (!opened) {
            const auto descriptor = SecurityDescriptor(security);
            if (!descriptor) return Failure{descriptor.error()};
            const RelativeOpen make{kHoldAccess | DELETE, kHoldShare, FILE_CREATE,
                                    FILE_DIRECTORY_FILE, descriptor->Get()};
            opened = OpenRelative(folder_.Get(), name, make, &refusal);
            if (!opened && refusal == kObjectNameCollision) continue;
            if (!opened) return Failure{opened.error()};
        }
        auto facts = FactsOfHandle(opened->handle.Get());
        if (!facts) return Failure{facts.error()};
        return std::unique_ptr<HeldFolder>(std::make_unique<Win32HeldFolder>(
            std::move(opened->handle), std::move(*facts), opened->created));
    }
    return Failure{ERROR_ALREADY_EXISTS};
}

}  // namespace

Result<PathKind> Win32FileSystem::Inspect(std::string_view path) {
    return KindAtPath(std::string(path));
}

Win32Error Win32FileSystem::CreateFolder(std::string_view path, std::string_view security) {
    const auto descriptor = SecurityDescriptor(security);
    if (!descriptor) return descriptor.error();
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor->Get(), FALSE};
    return Called(&CreateDirectoryA, std::string(path).c_str(), &attributes);
}

Result<std::unique_ptr<HeldFolder>> Win32FileSystem::HoldFolder(std::string_view path) {
    UniqueFile folder(
        CreateFileA(std::string(path).c_str(), kHoldAccess, kHoldShare, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder) return Failure{LastError()};
    auto facts = FactsOfHandle(folder.Get());
    if (!facts) return Failure{facts.error()};
    return std::unique_ptr<HeldFolder>(
        std::make_unique<Win32HeldFolder>(std::move(folder), std::move(*facts)));
}

// As OpenLog, through this folder's handle.
Result<std::unique_ptr<LogFile>> Win32HeldFolder::OpenLogChild(std::string_view name) {
    const RelativeOpen log{kLogAccess, kLogShare, FILE_OPEN_IF, 0};
    auto opened = OpenRelative(folder_.Get(), name, log);
    if (!opened) return Failure{opened.error()};
    return std::unique_ptr<LogFile>(
        std::make_unique<Win32LogFile>(std::move(opened->handle), opened->created));
}

Result<std::unique_ptr<LogFile>> Win32FileSystem::OpenLog(std::string_view path) {
    UniqueFile file(CreateFileA(std::string(path).c_str(), kLogAccess, kLogShare, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr));
    if (!file) return Failure{LastError()};
    const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
    return std::unique_ptr<LogFile>(std::make_unique<Win32LogFile>(std::move(file), created));
}

std::u16string Win32FileSystem::FromAnsi(std::string_view text) const {
    const std::wstring wide = WideFromAnsi(text);
    return std::u16string(wide.begin(), wide.end());
}

}  // namespace qar::win32
