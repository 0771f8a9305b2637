#include "platform/win32/win32_spooler.h"

#include <windows.h>
#include <winspool.h>

#include <string>

#include "platform/win32/handle_traits.h"
#include "platform/win32/system_functions.h"

namespace qar::win32 {

namespace {

constexpr DWORD kDriverDirectoryBuffer = 260;

// The A functions take non-const texts: each call below is given copies that live as long as it.

std::string Text(const char* text) {
    return text ? text : "";
}

class Win32PrinterHandle final : public PrinterHandle {
  public:
    explicit Win32PrinterHandle(UniquePrinter printer) : printer_(std::move(printer)) {}
    Result<std::unique_ptr<PrinterInfo2Block>> GetPrinter2() override;
    Win32Error SetPrinter2(const PrinterInfo2Block& block, std::size_t index) override;
    XcvOutcome SendXcvData(std::u16string_view command, std::span<const std::uint8_t> input,
                           std::uint32_t outputCapacity) override;
    Win32Error DeletePrinter() override {
        return Called(Winspool::DeletePrinter(), printer_.Get());
    }

  private:
    UniquePrinter printer_;
};

class Win32PrinterInfo2Block final : public PrinterInfo2Block {
  public:
    Win32PrinterInfo2Block(UniqueLocalMemory block, DWORD count)
        : block_(std::move(block)), count_(count) {}

    std::size_t Count() const override { return count_; }
    void SetPortKeepingSecurity(std::size_t index, std::string_view portName) override {
        port_.assign(portName);
        Records()[index].pPortName = port_.data();
        Records()[index].pSecurityDescriptor = nullptr;
    }
    std::string PrinterName(std::size_t index) const override {
        return Text(Records()[index].pPrinterName);
    }
    std::string DriverName(std::size_t index) const override {
        return Text(Records()[index].pDriverName);
    }
    std::string PortName(std::size_t index) const override {
        return Text(Records()[index].pPortName);
    }
    PRINTER_INFO_2A* Records() const { return static_cast<PRINTER_INFO_2A*>(block_.Get()); }

  private:
    UniqueLocalMemory block_;
    DWORD count_;
    std::string port_;
};

// Asked again while the record grows between the sizing call and the read (another program
// changing the queue), a few times.
Result<std::unique_ptr<PrinterInfo2Block>> Win32PrinterHandle::GetPrinter2() {
    const auto getPrinter = Winspool::GetPrinterA();
    if (!getPrinter) return Failure{LastError()};
    DWORD needed = 0;
    getPrinter(printer_.Get(), 2, nullptr, 0, &needed);
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) break;
        UniqueLocalMemory block(LocalAlloc(LMEM_ZEROINIT, needed));
        if (!block) return Failure{LastError()};
        if (getPrinter(printer_.Get(), 2, static_cast<BYTE*>(block.Get()), needed, &needed)) {
            return std::unique_ptr<PrinterInfo2Block>(
                std::make_unique<Win32PrinterInfo2Block>(std::move(block), 1));
        }
    }
    return Failure{LastError()};
}

Win32Error Win32PrinterHandle::SetPrinter2(const PrinterInfo2Block& block, std::size_t index) {
    auto& records = static_cast<const Win32PrinterInfo2Block&>(block);
    return Called(Winspool::SetPrinterA(), printer_.Get(), 2,
                  reinterpret_cast<BYTE*>(&records.Records()[index]), 0);
}

XcvOutcome Win32PrinterHandle::SendXcvData(std::u16string_view command,
                                           std::span<const std::uint8_t> input,
                                           std::uint32_t outputCapacity) {
    const std::wstring commandText(command.begin(), command.end());
    std::vector<BYTE> inputBytes(input.begin(), input.end());
    UniqueLocalMemory output(LocalAlloc(LMEM_ZEROINIT, outputCapacity));
    DWORD needed = 0;
    DWORD status = 0;
    const auto xcvData = Winspool::XcvDataW();
    if (!xcvData) return {false, LastError()};
    const BOOL returned =
        xcvData(printer_.Get(), commandText.c_str(), inputBytes.data(),
                static_cast<DWORD>(inputBytes.size()), static_cast<BYTE*>(output.Get()),
                output ? outputCapacity : 0, &needed, &status);
    return {returned != FALSE, status};
}

}  // namespace

Result<std::string> Win32Spooler::DriverDirectory(std::string_view environment) {
    char directory[kDriverDirectoryBuffer] = {};
    DWORD needed = 0;
    std::string environmentText(environment);
    if (const Win32Error failed =
            Called(Winspool::GetPrinterDriverDirectoryA(), nullptr, environmentText.data(), 1,
                   reinterpret_cast<BYTE*>(directory), DWORD{sizeof(directory)}, &needed)) {
        return Failure{failed};
    }
    directory[kDriverDirectoryBuffer - 1] = '\0';
    return std::string(directory);
}

Win32Error Win32Spooler::AddPrinterDriver3(const DriverInfo3& driver) {
    std::string name(driver.name), environment(driver.environment), path(driver.driverPath),
        data(driver.dataFile), config(driver.configFile), help(driver.helpFile);
    DRIVER_INFO_3A info{};
    info.cVersion = 3;
    info.pName = name.data();
    info.pEnvironment = environment.data();
    info.pDriverPath = path.data();
    info.pDataFile = data.data();
    info.pConfigFile = config.data();
    info.pHelpFile = help.data();
    return Called(Winspool::AddPrinterDriverA(), nullptr, 3, reinterpret_cast<BYTE*>(&info));
}

Result<PrinterHandlePtr> Win32Spooler::AddPrinter2(const NewPrinterInfo2& printer) {
    std::string name(printer.printerName), port(printer.portName), driver(printer.driverName),
        processor(printer.printProcessor), datatype(printer.datatype);
    PRINTER_INFO_2A info{};
    info.pPrinterName = name.data();
    info.pPortName = port.data();
    info.pDriverName = driver.data();
    info.pPrintProcessor = processor.data();
    info.pDatatype = datatype.empty() ? nullptr : datatype.data();
    const auto addPrinter = Winspool::AddPrinterA();
    if (!addPrinter) return Failure{LastError()};
    UniquePrinter handle(addPrinter(nullptr, 2, reinterpret_cast<BYTE*>(&info)));
    if (!handle) return Failure{LastError()};
    return PrinterHandlePtr(std::make_unique<Win32PrinterHandle>(std::move(handle)));
}

Result<PrinterHandlePtr> Win32Spooler::OpenPrinterByName(std::string_view name,
                                                         std::uint32_t desiredAccess) {
    std::string printerName(name);
    PRINTER_DEFAULTSA defaults{nullptr, nullptr, desiredAccess};
    HANDLE opened = nullptr;
    if (const Win32Error failed =
            Called(Winspool::OpenPrinterA(), printerName.data(), &opened, &defaults)) {
        return Failure{failed};
    }
    return PrinterHandlePtr(std::make_unique<Win32PrinterHandle>(UniquePrinter(opened)));
}

Result<std::unique_ptr<PrinterInfo2Block>> Win32Spooler::EnumLocalPrinters2() {
    char noName[] = "";
    DWORD needed = 0;
    DWORD count = 0;
    const auto enumPrinters = Winspool::EnumPrintersA();
    if (!enumPrinters) return Failure{LastError()};
    enumPrinters(PRINTER_ENUM_LOCAL, noName, 2, nullptr, 0, &needed, &count);
    // The extra bytes keep the block non-empty and zero-terminated even with no printer.
    UniqueLocalMemory block(LocalAlloc(LMEM_ZEROINIT, needed + 4));
    if (!block) return Failure{LastError()};
    if (!enumPrinters(PRINTER_ENUM_LOCAL, noName, 2, static_cast<BYTE*>(block.Get()), needed,
                      &needed, &count)) {
        return Failure{LastError()};
    }
    return std::unique_ptr<PrinterInfo2Block>(
        std::make_unique<Win32PrinterInfo2Block>(std::move(block), count));
}

Result<std::vector<std::string>> Win32Spooler::EnumMonitorNames(std::uint32_t bufferSize) {
    std::vector<BYTE> buffer(bufferSize, 0);
    DWORD needed = 0;
    DWORD count = 0;
    if (const Win32Error failed = Called(Winspool::EnumMonitorsA(), nullptr, 1, buffer.data(),
                                         DWORD{bufferSize}, &needed, &count)) {
        return Failure{failed};
    }
    std::vector<std::string> names;
    const auto* monitors = reinterpret_cast<const MONITOR_INFO_1A*>(buffer.data());
    for (DWORD index = 0; index < count; ++index) {
        names.emplace_back(monitors[index].pName ? monitors[index].pName : "");
    }
    return names;
}

Win32Error Win32Spooler::AddMonitor2(const MonitorInfo2& monitor) {
    std::string name(monitor.name), environment(monitor.environment), dll(monitor.dllName);
    MONITOR_INFO_2A info{name.data(), environment.data(), dll.data()};
    return Called(Winspool::AddMonitorA(), nullptr, 2, reinterpret_cast<BYTE*>(&info));
}

Win32Error Win32Spooler::RemoveMonitor(std::string_view environment, std::string_view name) {
    std::string environmentText(environment), nameText(name);
    return Called(Winspool::DeleteMonitorA(), nullptr, environmentText.data(), nameText.data());
}

Win32Error Win32Spooler::RemovePort(WindowRef parent, std::string_view portName) {
    std::string port(portName);
    return Called(Winspool::DeletePortA(), nullptr, reinterpret_cast<HWND>(parent), port.data());
}

namespace {

// The names of a level-1 enumeration, read into a buffer of the size the spooler asks for.
template <typename Record, typename Enumerate>
Result<std::vector<std::string>> EnumeratedNames(Enumerate enumerate) {
    DWORD needed = 0;
    DWORD count = 0;
    enumerate(nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 8, 0);
    if (!enumerate(buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &count)) {
        return Failure{LastError()};
    }
    std::vector<std::string> names;
    const auto* records = reinterpret_cast<const Record*>(buffer.data());
    for (DWORD index = 0; index < count; ++index) {
        if (records[index].pName) names.emplace_back(records[index].pName);
    }
    return names;
}

}  // namespace

Result<std::vector<std::string>> Win32Spooler::EnumPortNames() {
    const auto enumPorts = Winspool::EnumPortsA();
    if (!enumPorts) return Failure{LastError()};
    return EnumeratedNames<PORT_INFO_1A>([&](BYTE* data, DWORD size, DWORD* needed, DWORD* count) {
        return enumPorts(nullptr, 1, data, size, needed, count);
    });
}

Result<std::vector<std::string>> Win32Spooler::ListDriverNames(std::string_view environment) {
    const auto enumDrivers = Winspool::EnumPrinterDriversA();
    if (!enumDrivers) return Failure{LastError()};
    std::string environmentText(environment);
    return EnumeratedNames<DRIVER_INFO_1A>(
        [&](BYTE* data, DWORD size, DWORD* needed, DWORD* count) {
            return enumDrivers(nullptr, environmentText.data(), 1, data, size, needed, count);
        });
}

Win32Error Win32Spooler::DeleteDriver(std::string_view environment, std::string_view name,
                                      std::uint32_t flags) {
    std::string environmentText(environment), nameText(name);
    return Called(Winspool::DeletePrinterDriverExA(), nullptr, environmentText.data(),
                  nameText.data(), DWORD{flags}, DWORD{0});
}

}  // namespace qar::win32
