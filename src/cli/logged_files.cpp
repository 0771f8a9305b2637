#include "cli/logged_files.h"

namespace qar {

Win32Error LoggedFileSystem::Copy(std::string_view from, std::string_view to, bool failIfExists) {
    const Win32Error result = inner_.Copy(from, to, failIfExists);
    const std::string what = std::string(from) + " to " + std::string(to);
    log_.RecordResult(result, "copied " + what, "copying " + what);
    return result;
}

Win32Error LoggedFileSystem::Remove(std::string_view path) {
    ++attempted_;
    const Win32Error result = inner_.Remove(path);
    if (result == win32_error::kSuccess) {
        ++removed_;
    } else if (result != win32_error::kFileNotFound && result != win32_error::kPathNotFound) {
        log_.RecordFailure("removing " + std::string(path), result);
    }
    return result;
}

Result<std::string> LoggedFileSystem::WindowsDirectory() {
    return inner_.WindowsDirectory();
}

Result<std::string> LoggedFileSystem::SystemDirectory() {
    return inner_.SystemDirectory();
}

bool LoggedFileSystem::EnableWow64Redirection(bool enable) {
    return inner_.EnableWow64Redirection(enable);
}

// A cutter that cannot even be opened is told apart from one that gave no usable answer.
Result<std::unique_ptr<DeviceFile>> LoggedFileSystem::OpenDevice(std::string_view path) {
    auto device = inner_.OpenDevice(path);
    if (!device) log_.RecordFailure("opening the device " + std::string(path), device.error());
    return device;
}

Result<PathKind> LoggedFileSystem::Inspect(std::string_view path) {
    return inner_.Inspect(path);
}

Win32Error LoggedFileSystem::CreateFolder(std::string_view path, std::string_view security) {
    return inner_.CreateFolder(path, security);
}

Result<std::unique_ptr<HeldFolder>> LoggedFileSystem::HoldFolder(std::string_view path) {
    return inner_.HoldFolder(path);
}

Result<std::unique_ptr<LogFile>> LoggedFileSystem::OpenLog(std::string_view path) {
    return inner_.OpenLog(path);
}

}  // namespace qar
