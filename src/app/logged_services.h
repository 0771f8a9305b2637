// The platform services of a run with switches: each passes every call on unchanged and writes
// to the log what it changed on the system, and each change the system refused.
#pragma once

#include "app/event_log.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/spooler.h"

namespace qar {

class LoggedSpooler final : public Spooler {
  public:
    LoggedSpooler(Spooler& inner, EventLog& log) : inner_(inner), log_(log) {}

    Result<std::string> DriverDirectory(std::string_view environment) override;
    Win32Error AddPrinterDriver3(const DriverInfo3& driver) override;
    Result<PrinterHandlePtr> AddPrinter2(const NewPrinterInfo2& printer) override;
    Result<PrinterHandlePtr> OpenPrinterByName(std::string_view name,
                                               std::uint32_t desiredAccess) override;
    Result<std::unique_ptr<PrinterInfo2Block>> EnumLocalPrinters2() override;
    Result<std::vector<std::string>> EnumMonitorNames(std::uint32_t bufferSize) override;
    Win32Error AddMonitor2(const MonitorInfo2& monitor) override;
    Win32Error RemoveMonitor(std::string_view environment, std::string_view name) override;
    Win32Error RemovePort(WindowRef parent, std::string_view portName) override;
    Result<std::vector<std::string>> EnumPortNames() override;
    Result<std::vector<std::string>> ListDriverNames(std::string_view environment) override;
    Win32Error DeleteDriver(std::string_view environment, std::string_view name,
                            std::uint32_t flags) override;

  private:
    Spooler& inner_;
    EventLog& log_;
};

class LoggedRegistry final : public Registry {
  public:
    LoggedRegistry(Registry& inner, EventLog& log) : inner_(inner), log_(log) {}

    Result<RegistryKeyPtr> OpenLocalMachineKey(std::string_view path,
                                               RegistryAccess access) override;
    Result<RegistryKeyPtr> CreateLocalMachineKey(std::string_view path) override;
    Win32Error DeleteLocalMachineKey(std::string_view path) override;

  private:
    Registry& inner_;
    EventLog& log_;
};

class LoggedFileSystem final : public FileSystem {
  public:
    LoggedFileSystem(FileSystem& inner, EventLog& log) : inner_(inner), log_(log) {}

    Win32Error Copy(std::string_view from, std::string_view to, bool failIfExists) override;
    Win32Error Remove(std::string_view path) override;
    Result<std::string> WindowsDirectory() override;
    Result<std::string> SystemDirectory() override;
    bool EnableWow64Redirection(bool enable) override;
    Result<std::unique_ptr<DeviceFile>> OpenDevice(std::string_view path) override;
    Result<PathKind> Inspect(std::string_view path) override;
    Win32Error CreateFolder(std::string_view path, std::string_view security) override;
    Result<std::unique_ptr<LogFile>> OpenLog(std::string_view path) override;

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
