// An in-memory print spooler that behaves as Windows does (1802 on a name clash).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fakes/fake_control.h"
#include "fakes/fake_device_setup.h"
#include "fakes/fake_files.h"
#include "platform/spooler.h"

namespace qar::fake {

struct FakePrinter {
    std::string name;
    std::string port;
    std::string driver;
    std::string printProcessor;
    std::string datatype;
    std::string shareName;
    std::string comment;
    std::string devMode = {};   // the queue's device settings, as bytes
    std::string security = {};  // its access list; a record's empty one stands for NULL
    bool operator==(const FakePrinter&) const = default;
};

struct XcvRequest {
    std::string channel;
    std::u16string command;
    std::vector<std::uint8_t> input;
    std::uint32_t outputCapacity = 0;
};

class FakeSpooler final : public Spooler {
  public:
    explicit FakeSpooler(FakeControl& control) : control_(control) {}

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

    // World state, open to the tests.
    std::string driverDirectory = "C:\\windows\\system32\\spool\\drivers\\x64";
    // The environment of a 64-bit Windows spooler.
    std::string environment = "Windows x64";
    std::vector<DriverInfo3> drivers;
    std::vector<FakePrinter> printers;
    std::vector<MonitorInfo2> monitors{{"Local Port", "", "localspl.dll"}};
    std::map<std::string, std::vector<std::string>, CaseInsensitiveLess> monitorPorts;
    // The ports of the "Local Port" monitor.
    std::vector<std::string> localPorts{
        "COM1:", "COM2:", "COM3:", "COM4:", "FILE:", "LPT1:", "LPT2:", "LPT3:"};
    std::vector<XcvRequest> xcvRequests;
    XcvOutcome xcvAnswer{true, 0};
    // What the spooler sees of the machine, when the platform wires it: the files its driver and
    // monitor records name, and the printer-class devices whose ports the USB monitor makes.
    const FakeFileSystem* machineFiles = nullptr;
    const FakeDeviceSetup* usbDevices = nullptr;
    // Like Wine 8: any flag makes the driver's deletion fail; without flags it goes, files stay.
    bool refusesDriverDeletionFlags = false;
    std::vector<std::string> driverFilesLeft;

    const FakePrinter* FindPrinter(std::string_view name) const;
    const DriverInfo3* FindDriver(std::string_view name) const;
    bool HasMonitor(std::string_view name) const;
    bool KnowsPort(std::string_view name) const;

  private:
    friend class FakePrinterHandle;
    FakeControl& control_;
};

}  // namespace qar::fake
