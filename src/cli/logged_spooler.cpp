#include "cli/logged_spooler.h"

#include <span>
#include <string>

namespace qar {

namespace {

// The ASCII text of a UTF-16 little-endian request, up to its terminator.
std::string NarrowText(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (std::size_t index = 0; index + 1 < bytes.size(); index += 2) {
        if (bytes[index] == 0 && bytes[index + 1] == 0) break;
        text += bytes[index + 1] == 0 ? static_cast<char>(bytes[index]) : '?';
    }
    return text;
}

class LoggedPrinterHandle final : public PrinterHandle {
  public:
    LoggedPrinterHandle(PrinterHandlePtr inner, std::string name, EventLog& log)
        : inner_(std::move(inner)), name_(std::move(name)), log_(log) {}

    Result<std::unique_ptr<PrinterInfo2Block>> GetPrinter2() override {
        return log_.Noted(inner_->GetPrinter2(), "reading printer \"" + name_ + "\"");
    }
    Win32Error SetPrinter2(const PrinterInfo2Block& block, std::size_t index) override {
        const Win32Error result = inner_->SetPrinter2(block, index);
        const std::string what = "printer \"" + name_ + "\" set to port " + block.PortName(index);
        log_.RecordResult(result, what, what);
        return result;
    }

    XcvOutcome SendXcvData(std::u16string_view command, std::span<const std::uint8_t> input,
                           std::uint32_t outputCapacity) override {
        const XcvOutcome outcome = inner_->SendXcvData(command, input, outputCapacity);
        const std::string what = "monitor command " + std::string(command.begin(), command.end()) +
                                 " " + NarrowText(input);
        if (outcome.returned && outcome.status == win32_error::kSuccess) {
            log_.Record(what + " done");
        } else {
            log_.RecordFailure(what, outcome.status);
        }
        return outcome;
    }

    Win32Error DeletePrinter() override {
        const Win32Error result = inner_->DeletePrinter();
        const std::string what = "queue \"" + name_ + "\"";
        log_.RecordResult(result, what + " removed", "removing " + what);
        return result;
    }

  private:
    PrinterHandlePtr inner_;
    std::string name_;
    EventLog& log_;
};

}  // namespace

Result<std::string> LoggedSpooler::DriverDirectory(std::string_view environment) {
    return log_.Noted(inner_.DriverDirectory(environment),
                      "driver directory of \"" + std::string(environment) + "\"");
}

Win32Error LoggedSpooler::AddPrinterDriver3(const DriverInfo3& driver) {
    const Win32Error result = inner_.AddPrinterDriver3(driver);
    const std::string what = "driver \"" + driver.name + "\" (" + driver.environment + ")";
    log_.RecordResult(result, what + " added", "adding " + what);
    return result;
}

Result<PrinterHandlePtr> LoggedSpooler::AddPrinter2(const NewPrinterInfo2& printer) {
    auto added = inner_.AddPrinter2(printer);
    const std::string what = "queue \"" + printer.printerName + "\" on " + printer.portName +
                             " (driver \"" + printer.driverName + "\")";
    if (!added) {
        log_.RecordFailure("adding " + what, added.error());
        return added;
    }
    log_.Record(what + " added");
    return PrinterHandlePtr(
        std::make_unique<LoggedPrinterHandle>(std::move(*added), printer.printerName, log_));
}

Result<PrinterHandlePtr> LoggedSpooler::OpenPrinterByName(std::string_view name,
                                                          std::uint32_t desiredAccess) {
    auto opened = inner_.OpenPrinterByName(name, desiredAccess);
    if (!opened) return opened;
    // A leading comma names a monitor's channel, not a queue.
    if (!name.starts_with(',')) log_.Record("queue \"" + std::string(name) + "\" found");
    return PrinterHandlePtr(
        std::make_unique<LoggedPrinterHandle>(std::move(*opened), std::string(name), log_));
}

Result<std::unique_ptr<PrinterInfo2Block>> LoggedSpooler::EnumLocalPrinters2() {
    return log_.Noted(inner_.EnumLocalPrinters2(), "listing the printers");
}

Result<std::vector<std::string>> LoggedSpooler::EnumMonitorNames(std::uint32_t bufferSize) {
    return log_.Noted(inner_.EnumMonitorNames(bufferSize), "listing the port monitors");
}

Win32Error LoggedSpooler::AddMonitor2(const MonitorInfo2& monitor) {
    const Win32Error result = inner_.AddMonitor2(monitor);
    const std::string what = "port monitor \"" + monitor.name + "\" (" + monitor.dllName + ")";
    log_.RecordResult(result, what + " added", "adding " + what);
    return result;
}

Win32Error LoggedSpooler::RemoveMonitor(std::string_view environment, std::string_view name) {
    const Win32Error result = inner_.RemoveMonitor(environment, name);
    const std::string what = "port monitor \"" + std::string(name) + "\"";
    if (result == win32_error::kSuccess) {
        log_.Record(what + " removed");
    } else if (result == win32_error::kUnknownMonitor) {
        log_.Record(what + " not installed, nothing to remove");
    } else {
        log_.RecordFailure("removing " + what, result);
    }
    return result;
}

Win32Error LoggedSpooler::RemovePort(WindowRef parent, std::string_view portName) {
    const Win32Error result = inner_.RemovePort(parent, portName);
    const std::string what = "port " + std::string(portName);
    if (result == win32_error::kSuccess) {
        log_.Record(what + " removed");
    } else if (PortIsGone(inner_, portName, result)) {
        log_.Record(what + " not present, nothing to remove");
    } else {
        log_.RecordFailure("removing " + what, result);
    }
    return result;
}

Result<std::vector<std::string>> LoggedSpooler::ListDriverNames(std::string_view environment) {
    return log_.Noted(inner_.ListDriverNames(environment), "listing the drivers");
}

Win32Error LoggedSpooler::DeleteDriver(std::string_view environment, std::string_view name,
                                       std::uint32_t flags) {
    const Win32Error result = inner_.DeleteDriver(environment, name, flags);
    const std::string what = "driver \"" + std::string(name) + "\" (" + std::string(environment) +
                             ")" +
                             (flags & kDeleteUnusedDriverFiles ? " with its unused files" : "");
    log_.RecordResult(result, what + " removed", "removing " + what);
    return result;
}

}  // namespace qar
