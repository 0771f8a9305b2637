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

// A cutter that cannot even be opened is told apart from one that gave no usable answer.
Result<std::unique_ptr<DeviceFile>> LoggedFileSystem::OpenDevice(std::string_view path) {
    return log_.Noted(inner_.OpenDevice(path), "opening the device " + std::string(path));
}

}  // namespace qar
