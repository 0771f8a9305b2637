#pragma once

#include "platform/files.h"

namespace qar::win32 {

class Win32FileSystem final : public FileSystem {
  public:
    Win32Error Copy(std::string_view from, std::string_view to, bool failIfExists) override;
    Win32Error Remove(std::string_view path) override;
    Result<std::string> WindowsDirectory() override;
    Result<std::string> SystemDirectory() override;
    bool EnableWow64Redirection(bool enable) override;
    Result<std::unique_ptr<DeviceFile>> OpenDevice(std::string_view path) override;
    Result<PathKind> Inspect(std::string_view path) override;
    Win32Error CreateFolder(std::string_view path, std::string_view security) override;
    Result<std::unique_ptr<HeldFolder>> HoldFolder(std::string_view path) override;
    Result<std::unique_ptr<LogFile>> OpenLog(std::string_view path) override;
    std::u16string FromAnsi(std::string_view text) const override;
};

}  // namespace qar::win32
