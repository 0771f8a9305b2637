// Print spooler services. Printer handles are owned objects closed by their destructor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"
#include "platform/window_ref.h"

namespace qar {

inline constexpr std::uint32_t kServerAccessAdminister = 1;
inline constexpr std::uint32_t kPrinterAllAccess = 0xF000C;
inline constexpr std::uint32_t kDeleteUnusedDriverFiles = 1;  // DPD_DELETE_UNUSED_FILES

// DRIVER_INFO_3A with the fields the installer sets; the others are null.
struct DriverInfo3 {
    std::string name;
    std::string environment;
    std::string driverPath;
    std::string dataFile;
    std::string configFile;
    std::string helpFile;
};

// PRINTER_INFO_2A of a new queue: every other field zero or null.
struct NewPrinterInfo2 {
    std::string printerName;
    std::string portName;
    std::string driverName;
    std::string printProcessor;
    std::string datatype;
};

struct MonitorInfo2 {
    std::string name;
    std::string environment;
    std::string dllName;
};

// The level-2 records of the local printers as the spooler returned them, texts, device
// modes and security descriptors included.
class PrinterInfo2Block {
  public:
    virtual ~PrinterInfo2Block() = default;
    virtual std::size_t Count() const = 0;
    // Points a record at another port; its security descriptor becomes NULL, which SetPrinter
    // takes as "leave the queue's own" (a record holds it only as it was read).
    virtual void SetPortKeepingSecurity(std::size_t index, std::string_view portName) = 0;
    virtual std::string PrinterName(std::size_t index) const = 0;
    virtual std::string DriverName(std::size_t index) const = 0;
    virtual std::string PortName(std::size_t index) const = 0;
};

struct XcvOutcome {
    bool returned = false;     // XcvDataW's own result
    std::uint32_t status = 0;  // what the monitor reported
};

class PrinterHandle {
  public:
    virtual ~PrinterHandle() = default;
    // This printer's own level-2 record (GetPrinter), sized as the spooler asks.
    virtual Result<std::unique_ptr<PrinterInfo2Block>> GetPrinter2() = 0;
    virtual Win32Error SetPrinter2(const PrinterInfo2Block& block, std::size_t index) = 0;
    virtual XcvOutcome SendXcvData(std::u16string_view command, std::span<const std::uint8_t> input,
                                   std::uint32_t outputCapacity) = 0;
    // DeletePrinter: the queue goes; the handle stays to be closed.
    virtual Win32Error DeletePrinter() = 0;
};

using PrinterHandlePtr = std::unique_ptr<PrinterHandle>;

// What DeletePort reports for a port that is not there (50 under Wine, 1796 on Windows).
inline bool IsNoSuchPort(Win32Error code) {
    return code == win32_error::kNotSupported || code == win32_error::kUnknownPort;
}

class Spooler {
  public:
    virtual ~Spooler() = default;

    // Fails with 122 when the folder does not fit the 260-byte buffer.
    virtual Result<std::string> DriverDirectory(std::string_view environment) = 0;
    virtual Win32Error AddPrinterDriver3(const DriverInfo3& driver) = 0;
    virtual Result<PrinterHandlePtr> AddPrinter2(const NewPrinterInfo2& printer) = 0;
    virtual Result<PrinterHandlePtr> OpenPrinterByName(std::string_view name,
                                                       std::uint32_t desiredAccess) = 0;
    virtual Result<std::unique_ptr<PrinterInfo2Block>> EnumLocalPrinters2() = 0;
    // Level-1 monitor names read into a buffer of bufferSize bytes (fails with 122 beyond it).
    virtual Result<std::vector<std::string>> EnumMonitorNames(std::uint32_t bufferSize) = 0;
    virtual Win32Error AddMonitor2(const MonitorInfo2& monitor) = 0;
    virtual Win32Error RemoveMonitor(std::string_view environment, std::string_view name) = 0;
    virtual Win32Error RemovePort(WindowRef parent, std::string_view portName) = 0;
    // The names of every port the spooler knows (EnumPortsA, level 1).
    virtual Result<std::vector<std::string>> EnumPortNames() = 0;
    // The drivers of an environment (EnumPrinterDriversA, level 1).
    virtual Result<std::vector<std::string>> ListDriverNames(std::string_view environment) = 0;
    // DeletePrinterDriverExA with these flags and no version.
    virtual Win32Error DeleteDriver(std::string_view environment, std::string_view name,
                                    std::uint32_t flags) = 0;
};

// Whether a DeletePort that answered `deleteResult` found no such port: a no-such-port answer
// (which a monitor that cannot delete ports may give too) for a port the spooler does not list.
bool PortIsGone(Spooler& spooler, std::string_view portName, Win32Error deleteResult);

}  // namespace qar
