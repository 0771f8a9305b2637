// The platform services of a run with switches pass every call on unchanged and write to the
// log what they changed on the system, and each change the system refused.
// This one: copies and removals of files.
#pragma once

#include "log/event_log.h"
#include "platform/files.h"

namespace qar {

class LoggedFileSystem final : public FileSystem {
  public:
    LoggedFileSystem(FileSystem& inner, EventLog& log) : inner_(inner), log_(log) {}

    Win32Error Copy(std::string_view from, std::string_view to, bool failIfExists) override;
    Win32Error Remove(std::string_view path) override;
    Result<std::string> WindowsDirectory() override { return inner_.WindowsDirectory(); }
    Result<std::string> SystemDirectory() override { return inner_.SystemDirectory(); }
    bool EnableWow64Redirection(bool enable) override {
        return inner_.EnableWow64Redirection(enable);
    }
    Result<std::unique_ptr<DeviceFile>> OpenDevice(std::string_view path) override;
    Result<PathKind> Inspect(std::string_view path) override { return inner_.Inspect(path); }
    Win32Error CreateFolder(std::string_view path, std::string_view security) override {
        return inner_.CreateFolder(path, security);
    }
    Result<std::unique_ptr<HeldFolder>> HoldFolder(std::string_view path) override {
        return inner_.HoldFolder(path);
    }
    Result<std::unique_ptr<LogFile>> OpenLog(std::string_view path) override {
        return inner_.OpenLog(path);
    }
    std::u16string FromAnsi(std::string_view text) const override { return inner_.FromAnsi(text); }

    // The only files the program removes are the package files.
    bool RemovalsAttempted() const { return attempted_ != 0; }
    int Removed() const { return removed_; }

  private:
    FileSystem& inner_;
    EventLog& log_;
    int attempted_ = 0;
    int removed_ = 0;
};

}  // namespace qar
