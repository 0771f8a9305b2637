#include "platform/win32/win32_files.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/win32/bounded_io.h"
#include "platform/win32/handle_facts.h"
#include "platform/win32/handle_traits.h"
#include "platform/win32/security_descriptor.h"

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
    if (!CopyFileA(std::string(from).c_str(), std::string(to).c_str(), failIfExists)) {
        return LastError();
    }
    return win32_error::kSuccess;
}

Win32Error Win32FileSystem::Remove(std::string_view path) {
    if (!DeleteFileA(std::string(path).c_str())) return LastError();
    return win32_error::kSuccess;
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

class Win32LogFile final : public LogFile {
  public:
    Win32LogFile(UniqueFile file, bool created) : file_(std::move(file)), created_(created) {}

    void Append(std::string_view event) override {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        char stamp[32] = {};
        std::snprintf(stamp, sizeof(stamp), "%04u-%02u-%02u %02u:%02u:%02u.%03u ", now.wYear,
                      now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
        const std::string line = stamp + std::string(event) + "\r\n";
        DWORD written = 0;
        WriteFile(file_.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }

    Result<HandleFacts> ReadFacts() override { return FactsOfHandle(file_.Get()); }
    bool Created() const override { return created_; }

    void DeleteIfCreated() override {
        if (!created_) return;
        FILE_DISPOSITION_INFO disposition{TRUE};
        SetFileInformationByHandle(file_.Get(), FileDispositionInfo, &disposition,
                                   sizeof disposition);
    }

  private:
    UniqueFile file_;
    bool created_;
};

class Win32HeldFolder final : public HeldFolder {
  public:
    Win32HeldFolder(UniqueFile folder, HandleFacts facts)
        : folder_(std::move(folder)), facts_(std::move(facts)) {}
    const HandleFacts& Facts() const override { return facts_; }

  private:
    UniqueFile folder_;
    HandleFacts facts_;
};

}  // namespace

Result<PathKind> Win32FileSystem::Inspect(std::string_view path) {
    return KindAtPath(std::string(path));
}

Win32Error Win32FileSystem::CreateFolder(std::string_view path, std::string_view security) {
    const auto descriptor = SecurityDescriptor(security);
    if (!descriptor) return descriptor.error();
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor->Get(), FALSE};
    if (!CreateDirectoryA(std::string(path).c_str(), &attributes)) return LastError();
    return win32_error::kSuccess;
}

Result<std::unique_ptr<HeldFolder>> Win32FileSystem::HoldFolder(std::string_view path) {
    // No delete sharing: while held, the folder can be neither renamed nor removed.
    UniqueFile folder(
        CreateFileA(std::string(path).c_str(), FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder) return Failure{LastError()};
    auto facts = FactsOfHandle(folder.Get());
    if (!facts) return Failure{facts.error()};
    return std::unique_ptr<HeldFolder>(
        std::make_unique<Win32HeldFolder>(std::move(folder), std::move(*facts)));
}

Result<std::unique_ptr<LogFile>> Win32FileSystem::OpenLog(std::string_view path) {
    // Appending only: what earlier runs wrote is never overwritten. DELETE, to take back a file
    // this open made in a place that proves wrong; shared, so that a second run can still open
    // the log (only administrators may delete in a folder the log is written to).
    UniqueFile file(CreateFileA(
        std::string(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL | DELETE,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return Failure{LastError()};
    const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
    return std::unique_ptr<LogFile>(std::make_unique<Win32LogFile>(std::move(file), created));
}

std::u16string Win32FileSystem::FromAnsi(std::string_view text) const {
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return std::u16string(wide.begin(), wide.end());
}

}  // namespace qar::win32
