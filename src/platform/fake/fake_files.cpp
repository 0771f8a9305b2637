#include "platform/fake/fake_files.h"

namespace qar::fake {

namespace {

class FakeDeviceFile final : public DeviceFile, private CountedHandle {
  public:
    FakeDeviceFile(FakeControl& control, FakeDevice& device, std::string path)
        : CountedHandle(control), device_(device), path_(std::move(path)) {}
    ~FakeDeviceFile() override { control_.Record("CloseHandle(" + path_ + ")"); }

    Result<std::uint32_t> Write(std::span<const std::uint8_t> bytes) override {
        control_.Record("WriteFile(" + path_ + ", " + std::to_string(bytes.size()) + ")");
        if (auto failure = control_.InjectedFailure("WriteFile")) return Failure{*failure};
        device_.received.insert(device_.received.end(), bytes.begin(), bytes.end());
        return static_cast<std::uint32_t>(bytes.size());
    }

    Result<std::vector<std::uint8_t>> Read(std::uint32_t maxBytes,
                                           std::uint32_t boundMilliseconds) override {
        control_.Record("ReadFile(" + path_ + ", " + std::to_string(maxBytes) + ", " +
                        std::to_string(boundMilliseconds) + ")");
        if (auto failure = control_.InjectedFailure("ReadFile")) return Failure{*failure};
        if (device_.mute) return Failure{win32_error::kOperationAborted};
        std::vector<std::uint8_t> reply = device_.reply;
        if (reply.size() > maxBytes) reply.resize(maxBytes);
        return reply;
    }

  private:
    FakeDevice& device_;
    std::string path_;
};

}  // namespace

Win32Error FakeFileSystem::Copy(std::string_view from, std::string_view to, bool failIfExists) {
    control_.Record("CopyFile(" + std::string(from) + ", " + std::string(to) + ")");
    if (auto failure = control_.InjectedFailure("CopyFile")) return *failure;
    auto source = files.find(from);
    if (source == files.end()) return win32_error::kFileNotFound;
    if (failIfExists && Exists(to)) return 80;  // ERROR_FILE_EXISTS
    files[std::string(to)] = source->second;
    return win32_error::kSuccess;
}

Win32Error FakeFileSystem::Remove(std::string_view path) {
    control_.Record("DeleteFile(" + std::string(path) + ")");
    if (auto failure = control_.InjectedFailure("DeleteFile")) return *failure;
    auto found = files.find(path);
    if (found == files.end()) return win32_error::kFileNotFound;
    files.erase(found);
    return win32_error::kSuccess;
}

Result<std::string> FakeFileSystem::WindowsDirectory() {
    control_.Record("GetWindowsDirectory()");
    if (auto failure = control_.InjectedFailure("GetWindowsDirectory")) return Failure{*failure};
    if (windowsDirectory.size() + 1 > 260) return Failure{win32_error::kInsufficientBuffer};
    return windowsDirectory;
}

Result<std::string> FakeFileSystem::SystemDirectory() {
    control_.Record("GetSystemDirectory()");
    if (auto failure = control_.InjectedFailure("GetSystemDirectory")) return Failure{*failure};
    if (systemDirectory.size() + 1 > 256) return Failure{win32_error::kInsufficientBuffer};
    return systemDirectory;
}

bool FakeFileSystem::EnableWow64Redirection(bool enable) {
    control_.Record(std::string("Wow64EnableWow64FsRedirection(") + (enable ? "on" : "off") + ")");
    if (control_.InjectedFailure("Wow64EnableWow64FsRedirection")) return false;
    redirectionEnabled = enable;
    return true;
}

Result<std::unique_ptr<DeviceFile>> FakeFileSystem::OpenDevice(std::string_view path) {
    control_.Record("CreateFile(" + std::string(path) + ")");
    if (auto failure = control_.InjectedFailure("CreateFile")) return Failure{*failure};
    auto found = devices.find(path);
    if (found == devices.end()) return Failure{win32_error::kFileNotFound};
    return std::unique_ptr<DeviceFile>(
        std::make_unique<FakeDeviceFile>(control_, found->second, std::string(path)));
}

std::optional<std::string> FakeFileSystem::Content(std::string_view path) const {
    auto found = files.find(path);
    if (found == files.end()) return std::nullopt;
    return found->second;
}

namespace {

class FakeLogFile final : public LogFile, private CountedHandle {
  public:
    FakeLogFile(FakeControl& control, std::string& content, PathKind kind, std::uint32_t hardLinks)
        : CountedHandle(control), content_(content), kind_(kind), hardLinks_(hardLinks) {}
    void Append(std::string_view event) override {
        content_ += event;
        content_ += "\r\n";
    }
    PathKind Kind() const override { return kind_; }
    std::uint32_t HardLinks() const override { return hardLinks_; }

  private:
    std::string& content_;
    PathKind kind_;
    std::uint32_t hardLinks_;
};

std::string_view Parent(std::string_view path) {
    const std::size_t last = path.rfind('\\');
    return last == std::string_view::npos ? std::string_view() : path.substr(0, last);
}

}  // namespace

bool FakeFileSystem::FolderExists(std::string_view path) const {
    if (path.size() == 2 && path[1] == ':') return true;  // a drive's root
    if (folders.contains(path)) return true;
    const std::string inside = std::string(path) + "\\";
    const auto next = files.lower_bound(inside);
    return next != files.end() && EqualsIgnoringCase(next->first.substr(0, inside.size()), inside);
}

Result<PathKind> FakeFileSystem::Inspect(std::string_view path) {
    control_.Record("GetFileAttributes(" + std::string(path) + ")");
    if (auto failure = control_.InjectedFailure("GetFileAttributes")) return Failure{*failure};
    if (links.contains(path)) return PathKind::kLink;
    if (devices.contains(path)) return PathKind::kOther;
    if (Exists(path)) return PathKind::kFile;
    return FolderExists(path) ? PathKind::kFolder : PathKind::kMissing;
}

Win32Error FakeFileSystem::CreateFolder(std::string_view path, std::string_view security) {
    control_.Record("CreateDirectory(" + std::string(path) + ", " + std::string(security) + ")");
    if (auto failure = control_.InjectedFailure("CreateDirectory")) return *failure;
    if (!FolderExists(Parent(path))) return win32_error::kPathNotFound;
    if (FolderExists(path) || Exists(path)) return win32_error::kAlreadyExists;
    folders.emplace(path);
    folderSecurity.emplace(path, security);
    return win32_error::kSuccess;
}

Result<std::unique_ptr<LogFile>> FakeFileSystem::OpenLog(std::string_view path) {
    control_.Record("CreateFile(" + std::string(path) + ", append)");
    if (auto failure = control_.InjectedFailure("OpenLog")) return Failure{*failure};
    for (std::string_view folder = Parent(path); !folder.empty(); folder = Parent(folder)) {
        if (links.contains(folder)) return Failure{win32_error::kReparsePointEncountered};
    }
    if (!FolderExists(Parent(path))) return Failure{win32_error::kPathNotFound};
    if (FolderExists(path)) return Failure{win32_error::kAccessDenied};
    const auto named = hardLinks.find(path);
    return std::unique_ptr<LogFile>(
        std::make_unique<FakeLogFile>(control_, files[std::string(path)],
                                      links.contains(path) ? PathKind::kLink : PathKind::kFile,
                                      named == hardLinks.end() ? 1 : named->second));
}

}  // namespace qar::fake
