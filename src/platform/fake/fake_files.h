// An in-memory file system (case-insensitive paths) with scripted USB devices.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/fake/fake_control.h"
#include "platform/files.h"

namespace qar::fake {

struct FakeDevice {
    std::vector<std::uint8_t> reply;  // what one read returns
    bool mute = false;                // a read that gives nothing until the bound
    std::vector<std::uint8_t> received;
};

class FakeFileSystem final : public FileSystem {
  public:
    explicit FakeFileSystem(FakeControl& control) : control_(control) {}

    Win32Error Copy(std::string_view from, std::string_view to, bool failIfExists) override;
    Win32Error Remove(std::string_view path) override;
    Result<std::string> WindowsDirectory() override;
    Result<std::string> SystemDirectory() override;
    bool EnableWow64Redirection(bool enable) override;
    Result<std::unique_ptr<DeviceFile>> OpenDevice(std::string_view path) override;
    // A folder exists when it is listed in `folders` or holds a file of `files`.
    Result<PathKind> Inspect(std::string_view path) override;
    Win32Error CreateFolder(std::string_view path, std::string_view security) override;
    // The log's lines land in `files` without time stamps.
    Result<std::unique_ptr<LogFile>> OpenLog(std::string_view path) override;

    std::string windowsDirectory = "C:\\windows";
    std::string systemDirectory = "C:\\windows\\system32";
    bool redirectionEnabled = true;
    std::map<std::string, std::string, CaseInsensitiveLess> files;
    std::map<std::string, FakeDevice, CaseInsensitiveLess> devices;
    std::set<std::string, CaseInsensitiveLess> folders;
    std::map<std::string, std::string, CaseInsensitiveLess> folderSecurity;  // of those made
    std::set<std::string, CaseInsensitiveLess> links;  // reparse points, file or folder
    std::map<std::string, std::uint32_t, CaseInsensitiveLess> hardLinks;  // when more than one

    bool Exists(std::string_view path) const { return files.find(path) != files.end(); }
    std::optional<std::string> Content(std::string_view path) const;

  private:
    bool FolderExists(std::string_view path) const;

    FakeControl& control_;
};

}  // namespace qar::fake
