#include "platform/win32/win32_files.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/file_path.h"
#include "platform/win32/bounded_read.h"
#include "platform/win32/handle_traits.h"
#include "platform/win32/security_descriptor.h"

namespace qar::win32 {

namespace {

Win32Error LastError() {
    return static_cast<Win32Error>(GetLastError());
}

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

    Result<std::uint32_t> Write(std::span<const std::uint8_t> bytes) override {
        DWORD written = 0;
        if (!WriteFile(file_.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr)) {
            return Failure{LastError()};
        }
        return static_cast<std::uint32_t>(written);
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
    Win32LogFile(UniqueFile file, PathKind kind, std::uint32_t hardLinks)
        : file_(std::move(file)), kind_(kind), hardLinks_(hardLinks) {}

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

    PathKind Kind() const override { return kind_; }
    std::uint32_t HardLinks() const override { return hardLinks_; }

  private:
    UniqueFile file_;
    PathKind kind_;
    std::uint32_t hardLinks_;
};

PathKind KindOf(DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return PathKind::kLink;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::kFolder;
    if (attributes & FILE_ATTRIBUTE_DEVICE) return PathKind::kOther;
    return PathKind::kFile;
}

// Each folder is held open without delete sharing until the log is open: a held folder can be
// neither renamed nor removed, so no link can take its place while the path is followed.
Result<std::vector<UniqueFile>> HoldFolders(const std::vector<std::string>& folders) {
    std::vector<UniqueFile> held;
    for (const std::string& path : folders) {
        UniqueFile folder(CreateFileA(path.c_str(), FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                      nullptr));
        if (!folder) return Failure{LastError()};
        BY_HANDLE_FILE_INFORMATION facts{};
        if (!GetFileInformationByHandle(folder.Get(), &facts)) return Failure{LastError()};
        const PathKind kind = KindOf(facts.dwFileAttributes);
        if (kind == PathKind::kLink) return Failure{win32_error::kReparsePointEncountered};
        if (kind != PathKind::kFolder) return Failure{ERROR_DIRECTORY};
        held.push_back(std::move(folder));
    }
    return held;
}

}  // namespace

Result<PathKind> Win32FileSystem::Inspect(std::string_view path) {
    // Not followed at the last step: a link's own attributes say it is one.
    const DWORD attributes = GetFileAttributesA(std::string(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return KindOf(attributes);
    const Win32Error error = LastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return PathKind::kMissing;
    return Failure{error};
}

Win32Error Win32FileSystem::CreateFolder(std::string_view path, std::string_view security) {
    const auto descriptor = SecurityDescriptor(security);
    if (!descriptor) return descriptor.error();
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor->Get(), FALSE};
    if (!CreateDirectoryA(std::string(path).c_str(), &attributes)) return LastError();
    return win32_error::kSuccess;
}

Result<std::unique_ptr<LogFile>> Win32FileSystem::OpenLog(std::string_view path) {
    const auto folders = FoldersOnPath(path);
    if (!folders) return Failure{ERROR_BAD_PATHNAME};
    const auto held = HoldFolders(*folders);
    if (!held) return Failure{held.error()};
    // Appending only: what earlier runs wrote is never overwritten.
    UniqueFile file(CreateFileA(std::string(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return Failure{LastError()};
    BY_HANDLE_FILE_INFORMATION facts{};
    if (!GetFileInformationByHandle(file.Get(), &facts)) return Failure{LastError()};
    const PathKind kind = GetFileType(file.Get()) == FILE_TYPE_DISK ? KindOf(facts.dwFileAttributes)
                                                                    : PathKind::kOther;
    return std::unique_ptr<LogFile>(
        std::make_unique<Win32LogFile>(std::move(file), kind, facts.nNumberOfLinks));
}

}  // namespace qar::win32
