#include "app/logged_services.h"

#include <string>

namespace qar {

namespace {

std::string LocalMachine(std::string_view path) {
    return "HKLM\\" + std::string(path);
}

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

    Win32Error SetPrinter2(const PrinterInfo2Block& block, std::size_t index) override {
        const Win32Error result = inner_->SetPrinter2(block, index);
        const std::string what = "printer \"" + name_ + "\" set to port " + block.PortName(index);
        if (result == win32_error::kSuccess) {
            log_.Record(what);
        } else {
            log_.RecordFailure(what, result);
        }
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
        if (result == win32_error::kSuccess) {
            log_.Record(what + " removed");
        } else {
            log_.RecordFailure("removing " + what, result);
        }
        return result;
    }

  private:
    PrinterHandlePtr inner_;
    std::string name_;
    EventLog& log_;
};

class LoggedRegistryKey final : public RegistryKey {
  public:
    LoggedRegistryKey(RegistryKeyPtr inner, std::string path, EventLog& log)
        : inner_(std::move(inner)), path_(std::move(path)), log_(log) {}

    Win32Error SetDword(std::string_view name, std::uint32_t value) override {
        return Logged(name, std::to_string(value), inner_->SetDword(name, value));
    }
    Win32Error SetString(std::string_view name, std::string_view value) override {
        std::string quoted(1, '"');
        quoted.append(value).push_back('"');
        return Logged(name, quoted, inner_->SetString(name, value));
    }
    Result<RegistryKeyFigures> QueryInfo() override { return inner_->QueryInfo(); }
    Result<RegistryValue> EnumValue(std::uint32_t index, std::uint32_t nameCapacity,
                                    std::uint32_t dataCapacity) override {
        return inner_->EnumValue(index, nameCapacity, dataCapacity);
    }
    Result<std::vector<std::uint8_t>> QueryValue(std::string_view name,
                                                 std::uint32_t capacity) override {
        return inner_->QueryValue(name, capacity);
    }
    Result<RegistryKeyPtr> CreateSubKey(std::string_view name) override {
        const std::string path = path_ + "\\" + std::string(name);
        auto created = inner_->CreateSubKey(name);
        if (!created) {
            log_.RecordFailure("registry key " + LocalMachine(path), created.error());
            return created;
        }
        log_.Record("registry key " + LocalMachine(path) + " created or opened for writing");
        return RegistryKeyPtr(std::make_unique<LoggedRegistryKey>(std::move(*created), path, log_));
    }

  private:
    Win32Error Logged(std::string_view name, const std::string& value, Win32Error result) {
        const std::string what =
            "registry value " + LocalMachine(path_) + "\\" + std::string(name) + " = " + value;
        if (result == win32_error::kSuccess) {
            log_.Record(what);
        } else {
            log_.RecordFailure(what, result);
        }
        return result;
    }

    RegistryKeyPtr inner_;
    std::string path_;
    EventLog& log_;
};

}  // namespace

Result<std::string> LoggedSpooler::DriverDirectory(std::string_view environment) {
    auto directory = inner_.DriverDirectory(environment);
    if (!directory) {
        log_.RecordFailure("driver directory of \"" + std::string(environment) + "\"",
                           directory.error());
    }
    return directory;
}

Win32Error LoggedSpooler::AddPrinterDriver3(const DriverInfo3& driver) {
    const Win32Error result = inner_.AddPrinterDriver3(driver);
    const std::string what = "driver \"" + driver.name + "\" (" + driver.environment + ")";
    if (result == win32_error::kSuccess) {
        log_.Record(what + " added");
    } else {
        log_.RecordFailure("adding " + what, result);
    }
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
    auto printers = inner_.EnumLocalPrinters2();
    if (!printers) log_.RecordFailure("listing the printers", printers.error());
    return printers;
}

Result<std::vector<std::string>> LoggedSpooler::EnumMonitorNames(std::uint32_t bufferSize) {
    auto names = inner_.EnumMonitorNames(bufferSize);
    if (!names) log_.RecordFailure("listing the port monitors", names.error());
    return names;
}

Win32Error LoggedSpooler::AddMonitor2(const MonitorInfo2& monitor) {
    const Win32Error result = inner_.AddMonitor2(monitor);
    const std::string what = "port monitor \"" + monitor.name + "\" (" + monitor.dllName + ")";
    if (result == win32_error::kSuccess) {
        log_.Record(what + " added");
    } else {
        log_.RecordFailure("adding " + what, result);
    }
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
    } else if (IsNoSuchPort(result)) {
        log_.Record(what + " not present, nothing to remove");
    } else {
        log_.RecordFailure("removing " + what, result);
    }
    return result;
}

Result<std::vector<std::string>> LoggedSpooler::EnumPortNames() {
    return inner_.EnumPortNames();
}

Result<std::vector<std::string>> LoggedSpooler::ListDriverNames(std::string_view environment) {
    auto names = inner_.ListDriverNames(environment);
    if (!names) log_.RecordFailure("listing the drivers", names.error());
    return names;
}

Win32Error LoggedSpooler::DeleteDriver(std::string_view environment, std::string_view name,
                                       std::uint32_t flags) {
    const Win32Error result = inner_.DeleteDriver(environment, name, flags);
    const std::string what = "driver \"" + std::string(name) + "\" (" + std::string(environment) +
                             ")" +
                             (flags & kDeleteUnusedDriverFiles ? " with its unused files" : "");
    if (result == win32_error::kSuccess) {
        log_.Record(what + " removed");
    } else {
        log_.RecordFailure("removing " + what, result);
    }
    return result;
}

Result<RegistryKeyPtr> LoggedRegistry::OpenLocalMachineKey(std::string_view path,
                                                           RegistryAccess access) {
    auto opened = inner_.OpenLocalMachineKey(path, access);
    if (!opened) return opened;
    if (access == RegistryAccess::kAllAccess) {
        log_.Record("registry key " + LocalMachine(path) + " opened for writing");
    }
    return RegistryKeyPtr(
        std::make_unique<LoggedRegistryKey>(std::move(*opened), std::string(path), log_));
}

Result<RegistryKeyPtr> LoggedRegistry::CreateLocalMachineKey(std::string_view path) {
    auto created = inner_.CreateLocalMachineKey(path);
    if (!created) {
        log_.RecordFailure("registry key " + LocalMachine(path), created.error());
        return created;
    }
    log_.Record("registry key " + LocalMachine(path) + " created");
    return RegistryKeyPtr(
        std::make_unique<LoggedRegistryKey>(std::move(*created), std::string(path), log_));
}

Win32Error LoggedRegistry::DeleteLocalMachineKey(std::string_view path) {
    const Win32Error result = inner_.DeleteLocalMachineKey(path);
    const std::string what = "registry key " + LocalMachine(path);
    if (result == win32_error::kSuccess) {
        log_.Record(what + " removed");
    } else if (result != win32_error::kFileNotFound) {
        log_.RecordFailure("removing " + what, result);
    }
    return result;
}

Win32Error LoggedFileSystem::Copy(std::string_view from, std::string_view to, bool failIfExists) {
    const Win32Error result = inner_.Copy(from, to, failIfExists);
    const std::string what = std::string(from) + " to " + std::string(to);
    if (result == win32_error::kSuccess) {
        log_.Record("copied " + what);
    } else {
        log_.RecordFailure("copying " + what, result);
    }
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

Result<std::string> LoggedFileSystem::WindowsDirectory() {
    return inner_.WindowsDirectory();
}

Result<std::string> LoggedFileSystem::SystemDirectory() {
    return inner_.SystemDirectory();
}

bool LoggedFileSystem::EnableWow64Redirection(bool enable) {
    return inner_.EnableWow64Redirection(enable);
}

Result<std::unique_ptr<DeviceFile>> LoggedFileSystem::OpenDevice(std::string_view path) {
    return inner_.OpenDevice(path);
}

Result<PathKind> LoggedFileSystem::Inspect(std::string_view path) {
    return inner_.Inspect(path);
}

Win32Error LoggedFileSystem::CreateFolder(std::string_view path, std::string_view security) {
    return inner_.CreateFolder(path, security);
}

Result<std::unique_ptr<LogFile>> LoggedFileSystem::OpenLog(std::string_view path) {
    return inner_.OpenLog(path);
}

}  // namespace qar
