#include "spooler/install_chain.h"

#include <array>
#include <string>

#include "spooler/error_box.h"
#include "spooler/model_name.h"
#include "spooler/protected_print.h"

namespace qar {

namespace {

// The driver directory and each driver file path are held in 260-byte buffers.
constexpr std::size_t kPathBuffer = 260;
constexpr std::uint32_t kPrinterAccessUse = 8;

bool FitsPathBuffer(const std::string& path) {
    return path.size() < kPathBuffer;
}

}  // namespace

void InstallSteps::ShowError(Win32Error code) {
    ShowErrorBox(platform_.ui, code);
}

int InstallSteps::AddDriverStep() {
    if (state_.selectionMade != 0) state_.modelName = state_.selectedModel;
    // A name a device reported could reach paths and keys: refuse it before any call.
    if (!IsAcceptableModelName(platform_.files, state_.modelName)) {
        ShowError(win32_error::kInvalidPrinterName);
        return 0;
    }
    auto directory = platform_.spooler.DriverDirectory(kDriverEnvironment);
    if (!directory) {
        ShowError(directory.error());
        return 0;
    }
    DriverInfo3 driver;
    driver.name = state_.clashCounter == 1 ? state_.modelName : state_.printerName;
    driver.environment = kDriverEnvironment;
    driver.driverPath = *directory + "\\KT4_cx64.dll";
    // The data file always carries the plain model name, also under a clash name.
    driver.dataFile = *directory + "\\" + state_.modelName + ".INI";
    driver.configFile = *directory + "\\KT4_cx64UI.dll";
    driver.helpFile = *directory + "\\QARUI.HLP";
    const std::array paths = {&driver.driverPath, &driver.dataFile, &driver.configFile,
                              &driver.helpFile};
    for (const std::string* path : paths) {
        if (!FitsPathBuffer(*path)) {
            ShowError(win32_error::kFilenameExceedsRange);
            return 0;
        }
    }
    if (const Win32Error refused = platform_.spooler.AddPrinterDriver3(driver)) {
        const bool blockedByPolicy = ProtectedPrintModeOn(platform_.registry);
        ShowErrorBox(platform_.ui, refused, blockedByPolicy ? kProtectedPrintAdvice : "");
        return 0;
    }
    return 1;
}

int InstallSteps::DriverKeyStep() {
    const std::string path = std::string(kDriverKeyPrefix) + "\\" + state_.modelName;
    return OpenOrCreateLocalMachineKey(platform_.registry, path) ? 1 : 0;
}

int InstallSteps::AddPrinterStep() {
    NewPrinterInfo2 printer;
    printer.printerName = state_.clashCounter == 1 ? state_.modelName : state_.printerName;
    printer.portName = state_.usbPortName.empty() ? state_.selectedPort : state_.usbPortName;
    printer.driverName = state_.modelName;
    printer.printProcessor = "WinPrint";
    // WinPrint's default datatype; without it some spoolers cannot open the new queue.
    printer.datatype = "RAW";

    // A taken name is a clash even where the spooler would overwrite the existing queue.
    Win32Error refused = win32_error::kSuccess;
    if (platform_.spooler.OpenPrinterByName(printer.printerName, kPrinterAccessUse)) {
        refused = win32_error::kPrinterAlreadyExists;
    } else if (auto created = platform_.spooler.AddPrinter2(printer); !created) {
        refused = created.error();
    }

    if (refused == win32_error::kPrinterAlreadyExists) {
        state_.scratch = state_.modelName;
        state_.printerName = state_.scratch + "_" + std::to_string(state_.clashCounter);
        ++state_.clashCounter;
        return 0;
    }
    if (refused != win32_error::kSuccess) {
        ShowError(refused);
        return 0;
    }

    auto monitorKey = OpenOrCreateLocalMachineKey(platform_.registry, kMonitorPortKey);
    if (!monitorKey) return 0;
    (*monitorKey)->SetDword("ShowWindow", 2);
    (*monitorKey)->SetDword("RunUser", 0);
    (*monitorKey)->SetDword("Delay", 300);
    return 1;
}

int InstallSteps::InstallChain() {
    return AddDriverStep() && DriverKeyStep() && AddPrinterStep();
}

}  // namespace qar
