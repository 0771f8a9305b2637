// The platform services of a run with switches pass every call on unchanged and write to the
// log what they changed on the system, and each change the system refused.
// This one: drivers, queues, printer settings, monitors and ports.
#pragma once

#include "log/event_log.h"
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
    Result<std::vector<std::string>> EnumPortNames() override { return inner_.EnumPortNames(); }
    Result<std::vector<std::string>> ListDriverNames(std::string_view environment) override;
    Win32Error DeleteDriver(std::string_view environment, std::string_view name,
                            std::uint32_t flags) override;

  private:
    Spooler& inner_;
    EventLog& log_;
};

}  // namespace qar
