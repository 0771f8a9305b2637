#include "fakes/fake_spooler.h"

#include <algorithm>
#include <cstdio>

namespace qar::fake {

namespace {

constexpr std::string_view kXcvMonitorPrefix = ",XcvMonitor ";

// The monitors take a port name as UTF-16 with a terminator; ours are plain ASCII.
std::string PortFromRequest(std::span<const std::uint8_t> input) {
    std::string port;
    for (std::size_t index = 0; index + 1 < input.size() && input[index] != 0; index += 2) {
        port.push_back(static_cast<char>(input[index]));
    }
    return port;
}

class FakePrinterInfo2Block final : public PrinterInfo2Block {
  public:
    explicit FakePrinterInfo2Block(std::vector<FakePrinter> records)
        : records_(std::move(records)) {}
    std::size_t Count() const override { return records_.size(); }
    void SetPortKeepingSecurity(std::size_t index, std::string_view portName) override {
        records_.at(index).port = portName;
        records_.at(index).security.clear();
    }
    std::string PrinterName(std::size_t index) const override { return records_.at(index).name; }
    std::string DriverName(std::size_t index) const override { return records_.at(index).driver; }
    std::string PortName(std::size_t index) const override { return records_.at(index).port; }
    const FakePrinter& Record(std::size_t index) const { return records_.at(index); }

  private:
    std::vector<FakePrinter> records_;
};

}  // namespace

class FakePrinterHandle final : public PrinterHandle, private CountedHandle {
  public:
    FakePrinterHandle(FakeSpooler& spooler, std::string name)
        : CountedHandle(spooler.control_), spooler_(spooler), name_(std::move(name)) {}
    ~FakePrinterHandle() override { control_.Record("ClosePrinter(" + name_ + ")"); }

    Result<std::unique_ptr<PrinterInfo2Block>> GetPrinter2() override {
        control_.Record("GetPrinter(" + name_ + ")");
        if (auto failure = control_.InjectedFailure("GetPrinter")) return Failure{*failure};
        const FakePrinter* printer = spooler_.FindPrinter(name_);
        if (!printer) return Failure{win32_error::kInvalidPrinterName};
        return std::unique_ptr<PrinterInfo2Block>(
            std::make_unique<FakePrinterInfo2Block>(std::vector<FakePrinter>{*printer}));
    }

    // SetPrinter level 2 applies the record as given, but a NULL security descriptor leaves the
    // queue's own (SetPrinter: "If pSecurityDescriptor is NULL, the security is not changed").
    Win32Error SetPrinter2(const PrinterInfo2Block& block, std::size_t index) override {
        control_.Record("SetPrinter(" + name_ + ")");
        if (auto failure = control_.InjectedFailure("SetPrinter")) return *failure;
        FakePrinter record = static_cast<const FakePrinterInfo2Block&>(block).Record(index);
        for (FakePrinter& printer : spooler_.printers) {
            if (EqualsIgnoringCase(printer.name, name_)) {
                if (record.security.empty()) record.security = printer.security;
                printer = record;
                return win32_error::kSuccess;
            }
        }
        return win32_error::kInvalidPrinterName;
    }

    XcvOutcome SendXcvData(std::u16string_view command, std::span<const std::uint8_t> input,
                           std::uint32_t outputCapacity) override {
        control_.Record("XcvData(" + name_ + ")");
        spooler_.xcvRequests.push_back(
            {name_, std::u16string(command), {input.begin(), input.end()}, outputCapacity});
        if (auto failure = control_.InjectedFailure("XcvData")) return {false, *failure};
        if (spooler_.xcvAnswer.returned && command == u"AddPort" &&
            name_.starts_with(kXcvMonitorPrefix)) {
            spooler_.monitorPorts[name_.substr(kXcvMonitorPrefix.size())].push_back(
                PortFromRequest(input));
        }
        return spooler_.xcvAnswer;
    }

    Win32Error DeletePrinter() override {
        control_.Record("DeletePrinter(" + name_ + ")");
        if (auto failure = control_.InjectedFailure("DeletePrinter")) return *failure;
        auto& printers = spooler_.printers;
        const auto found =
            std::find_if(printers.begin(), printers.end(),
                         [&](const FakePrinter& p) { return EqualsIgnoringCase(p.name, name_); });
        if (found == printers.end()) return win32_error::kInvalidPrinterName;
        printers.erase(found);
        return win32_error::kSuccess;
    }

  private:
    FakeSpooler& spooler_;
    std::string name_;
};

Result<std::string> FakeSpooler::DriverDirectory(std::string_view environment) {
    control_.Record("GetPrinterDriverDirectory(" + std::string(environment) + ")");
    if (auto failure = control_.InjectedFailure("GetPrinterDriverDirectory")) {
        return Failure{*failure};
    }
    // An environment the spooler does not know: 1805, as Wine and Windows answer.
    if (!EqualsIgnoringCase(environment, this->environment) &&
        !EqualsIgnoringCase(environment, "Windows NT x86")) {
        return Failure{win32_error::kInvalidEnvironment};
    }
    if (driverDirectory.size() + 1 > 260) return Failure{win32_error::kInsufficientBuffer};
    return driverDirectory;
}

Win32Error FakeSpooler::AddPrinterDriver3(const DriverInfo3& driver) {
    control_.Record("AddPrinterDriver(" + driver.name + ")");
    if (auto failure = control_.InjectedFailure("AddPrinterDriver")) return *failure;
    // The files the record names must be there (Wine adds the driver anyway).
    for (const std::string* path :
         {&driver.driverPath, &driver.dataFile, &driver.configFile, &driver.helpFile}) {
        if (machineFiles && !path->empty() && !machineFiles->Exists(*path)) {
            return win32_error::kFileNotFound;
        }
    }
    auto existing = std::find_if(drivers.begin(), drivers.end(), [&](const DriverInfo3& d) {
        return EqualsIgnoringCase(d.name, driver.name);
    });
    if (existing != drivers.end()) {
        *existing = driver;
    } else {
        drivers.push_back(driver);
    }
    return win32_error::kSuccess;
}

Result<PrinterHandlePtr> FakeSpooler::AddPrinter2(const NewPrinterInfo2& printer) {
    control_.Record("AddPrinter(" + printer.printerName + ", " + printer.portName + ", " +
                    printer.driverName + ")");
    if (auto failure = control_.InjectedFailure("AddPrinter")) return Failure{*failure};
    // A queue needs a port the spooler knows (Wine takes any name).
    if (!KnowsPort(printer.portName)) return Failure{win32_error::kUnknownPort};
    if (FindPrinter(printer.printerName)) return Failure{win32_error::kPrinterAlreadyExists};
    if (!FindDriver(printer.driverName)) return Failure{win32_error::kUnknownPrinterDriver};
    printers.push_back({printer.printerName, printer.portName, printer.driverName,
                        printer.printProcessor, printer.datatype, "", ""});
    return PrinterHandlePtr(std::make_unique<FakePrinterHandle>(*this, printer.printerName));
}

Result<PrinterHandlePtr> FakeSpooler::OpenPrinterByName(std::string_view name, std::uint32_t) {
    control_.Record("OpenPrinter(" + std::string(name) + ")");
    if (auto failure = control_.InjectedFailure("OpenPrinter")) return Failure{*failure};
    if (name.starts_with(kXcvMonitorPrefix)) {
        if (!HasMonitor(name.substr(kXcvMonitorPrefix.size()))) {
            return Failure{win32_error::kUnknownPort};
        }
    } else if (!FindPrinter(name)) {
        return Failure{win32_error::kInvalidPrinterName};
    }
    return PrinterHandlePtr(std::make_unique<FakePrinterHandle>(*this, std::string(name)));
}

Result<std::unique_ptr<PrinterInfo2Block>> FakeSpooler::EnumLocalPrinters2() {
    control_.Record("EnumPrinters()");
    if (auto failure = control_.InjectedFailure("EnumPrinters")) return Failure{*failure};
    return std::unique_ptr<PrinterInfo2Block>(std::make_unique<FakePrinterInfo2Block>(printers));
}

Result<std::vector<std::string>> FakeSpooler::EnumMonitorNames(std::uint32_t bufferSize) {
    control_.Record("EnumMonitors(" + std::to_string(bufferSize) + ")");
    if (auto failure = control_.InjectedFailure("EnumMonitors")) return Failure{*failure};
    // A MONITOR_INFO_1A record is one pointer (4 bytes in a 32-bit process) plus its text.
    std::uint32_t needed = 0;
    std::vector<std::string> names;
    for (const MonitorInfo2& monitor : monitors) {
        needed += 4 + static_cast<std::uint32_t>(monitor.name.size()) + 1;
        names.push_back(monitor.name);
    }
    if (needed > bufferSize) return Failure{win32_error::kInsufficientBuffer};
    return names;
}

Win32Error FakeSpooler::AddMonitor2(const MonitorInfo2& monitor) {
    control_.Record("AddMonitor(" + monitor.name + ", " + monitor.environment + ", " +
                    monitor.dllName + ")");
    if (auto failure = control_.InjectedFailure("AddMonitor")) return *failure;
    // The 64-bit spooler loads the monitor from the real System32: 126 as Wine gives it.
    if (machineFiles &&
        !machineFiles->Exists(machineFiles->systemDirectory + "\\" + monitor.dllName)) {
        return win32_error::kModuleNotFound;
    }
    // AddMonitor: "you can only add a monitor that was written for the architecture of the server".
    if (!EqualsIgnoringCase(monitor.environment, environment)) {
        return win32_error::kInvalidEnvironment;
    }
    if (HasMonitor(monitor.name)) return win32_error::kPrinterMonitorAlreadyInstalled;
    monitors.push_back(monitor);
    return win32_error::kSuccess;
}

Win32Error FakeSpooler::RemoveMonitor(std::string_view requested, std::string_view name) {
    control_.Record("DeleteMonitor(" + std::string(requested) + ", " + std::string(name) + ")");
    if (auto failure = control_.InjectedFailure("DeleteMonitor")) return *failure;
    // Windows refuses an environment other than the spooler's own; Wine takes any it knows.
    if (!EqualsIgnoringCase(requested, environment)) {
        return win32_error::kInvalidEnvironment;
    }
    auto found = std::find_if(monitors.begin(), monitors.end(), [&](const MonitorInfo2& m) {
        return EqualsIgnoringCase(m.name, name);
    });
    if (found == monitors.end()) return win32_error::kUnknownMonitor;
    monitorPorts.erase(found->name);
    monitors.erase(found);
    return win32_error::kSuccess;
}

Win32Error FakeSpooler::RemovePort(WindowRef, std::string_view portName) {
    control_.Record("DeletePort(" + std::string(portName) + ")");
    if (auto failure = control_.InjectedFailure("DeletePort")) return *failure;
    for (auto& [monitor, ports] : monitorPorts) {
        auto found = std::find_if(ports.begin(), ports.end(), [&](const std::string& port) {
            return EqualsIgnoringCase(port, portName);
        });
        if (found != ports.end()) {
            ports.erase(found);
            return win32_error::kSuccess;
        }
    }
    return win32_error::kUnknownPort;
}

const FakePrinter* FakeSpooler::FindPrinter(std::string_view name) const {
    for (const FakePrinter& printer : printers) {
        if (EqualsIgnoringCase(printer.name, name)) return &printer;
    }
    return nullptr;
}

const DriverInfo3* FakeSpooler::FindDriver(std::string_view name) const {
    for (const DriverInfo3& driver : drivers) {
        if (EqualsIgnoringCase(driver.name, name)) return &driver;
    }
    return nullptr;
}

bool FakeSpooler::HasMonitor(std::string_view name) const {
    return std::any_of(monitors.begin(), monitors.end(),
                       [&](const MonitorInfo2& m) { return EqualsIgnoringCase(m.name, name); });
}

Result<std::vector<std::string>> FakeSpooler::EnumPortNames() {
    control_.Record("EnumPorts()");
    if (auto failure = control_.InjectedFailure("EnumPorts")) return Failure{*failure};
    std::vector<std::string> names = localPorts;
    for (const auto& [monitor, ports] : monitorPorts) {
        names.insert(names.end(), ports.begin(), ports.end());
    }
    return names;
}

Result<std::vector<std::string>> FakeSpooler::ListDriverNames(std::string_view environment) {
    control_.Record("EnumPrinterDrivers(" + std::string(environment) + ")");
    if (auto failure = control_.InjectedFailure("EnumPrinterDrivers")) return Failure{*failure};
    std::vector<std::string> names;
    for (const DriverInfo3& driver : drivers) {
        if (EqualsIgnoringCase(driver.environment, environment)) names.push_back(driver.name);
    }
    return names;
}

Win32Error FakeSpooler::DeleteDriver(std::string_view environment, std::string_view name,
                                     std::uint32_t flags) {
    control_.Record("DeletePrinterDriverEx(" + std::string(environment) + ", " + std::string(name) +
                    ", " + std::to_string(flags) + ")");
    if (auto failure = control_.InjectedFailure("DeletePrinterDriverEx")) return *failure;
    const auto found = std::find_if(drivers.begin(), drivers.end(), [&](const DriverInfo3& d) {
        return EqualsIgnoringCase(d.name, name) && EqualsIgnoringCase(d.environment, environment);
    });
    if (found == drivers.end()) return win32_error::kUnknownPrinterDriver;
    for (const FakePrinter& printer : printers) {
        if (EqualsIgnoringCase(printer.driver, name)) return win32_error::kPrinterDriverInUse;
    }
    if (flags != 0 && refusesDriverDeletionFlags) return win32_error::kInvalidParameter;
    if (flags == 0) driverFilesLeft.push_back(found->name);
    drivers.erase(found);
    return win32_error::kSuccess;
}

bool FakeSpooler::KnowsPort(std::string_view name) const {
    const auto same = [&](std::string_view port) { return EqualsIgnoringCase(port, name); };
    if (std::any_of(localPorts.begin(), localPorts.end(), same)) return true;
    for (const auto& [monitor, ports] : monitorPorts) {
        if (std::any_of(ports.begin(), ports.end(), same)) return true;
    }
    if (!usbDevices) return true;
    return std::any_of(usbDevices->interfaces.begin(), usbDevices->interfaces.end(),
                       [&](const FakeInterface& device) {
                           char port[8] = {};
                           std::snprintf(
                               port, sizeof port, "USB%03u",
                               static_cast<unsigned>(device.portNumber.value_or(0) & 0xFF));
                           return same(port);
                       });
}

}  // namespace qar::fake
