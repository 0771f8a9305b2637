#include "platform/win32/win32_files.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/win32/bounded_read.h"
#include "platform/win32/handle_traits.h"

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
    explicit Win32LogFile(UniqueFile file) : file_(std::move(file)) {}

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

  private:
    UniqueFile file_;
};

}  // namespace

Result<std::unique_ptr<LogFile>> Win32FileSystem::OpenLog(std::string_view path) {
    // Appending only: what earlier runs wrote is never overwritten.
    UniqueFile file(CreateFileA(std::string(path).c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return Failure{LastError()};
    return std::unique_ptr<LogFile>(std::make_unique<Win32LogFile>(std::move(file)));
}

}  // namespace qar::win32
