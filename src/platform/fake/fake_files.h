// An in-memory file system (case-insensitive paths) with scripted USB devices.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
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
    // The log's lines land in `files` without time stamps; a folder in `missingFolders` fails.
    Result<std::unique_ptr<LogFile>> OpenLog(std::string_view path) override;

    std::string windowsDirectory = "C:\\windows";
    std::string systemDirectory = "C:\\windows\\system32";
    bool redirectionEnabled = true;
    std::map<std::string, std::string, CaseInsensitiveLess> files;
    std::map<std::string, FakeDevice, CaseInsensitiveLess> devices;
    std::vector<std::string> missingFolders;

    bool Exists(std::string_view path) const { return files.find(path) != files.end(); }
    std::optional<std::string> Content(std::string_view path) const;

  private:
    FakeControl& control_;
};

}  // namespace qar::fake
