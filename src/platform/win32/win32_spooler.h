#pragma once

#include "platform/spooler.h"

namespace qar::win32 {

class Win32Spooler final : public Spooler {
  public:
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
};

}  // namespace qar::win32
