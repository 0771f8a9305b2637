// Exactly the spooler and registry calls of one installation, written out plainly: the
// baseline for the installer's own install chain.
// Usage: qar_bare_chain.exe MODEL PORT   → prints "chain_ms=<ms> result=<0|1>"
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>

namespace {

bool OpenOrCreate(const std::string& path, HKEY* key) {
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, key) ==
               ERROR_SUCCESS ||
           RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), key) == ERROR_SUCCESS;
}

int Chain(std::string model, std::string port) {
    char directory[260] = {};
    DWORD needed = 0;
    char environment[] = "Windows x64";
    if (!GetPrinterDriverDirectoryA(nullptr, environment, 1, reinterpret_cast<BYTE*>(directory),
                                    sizeof(directory), &needed)) {
        return 0;
    }
    std::string driverPath = std::string(directory) + "\\KT4_cx64.dll";
    std::string dataFile = std::string(directory) + "\\" + model + ".INI";
    std::string configFile = std::string(directory) + "\\KT4_cx64UI.dll";
    std::string helpFile = std::string(directory) + "\\QARUI.HLP";
    DRIVER_INFO_3A driver{};
    driver.cVersion = 3;
    driver.pName = model.data();
    driver.pEnvironment = environment;
    driver.pDriverPath = driverPath.data();
    driver.pDataFile = dataFile.data();
    driver.pConfigFile = configFile.data();
    driver.pHelpFile = helpFile.data();
    if (!AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&driver))) return 0;

    HKEY key = nullptr;
    if (!OpenOrCreate("SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86"
                      "\\Drivers\\Version-3\\" +
                          model,
                      &key)) {
        return 0;
    }
    RegCloseKey(key);

    HANDLE existing = nullptr;
    PRINTER_DEFAULTSA defaults{nullptr, nullptr, PRINTER_ACCESS_USE};
    if (OpenPrinterA(model.data(), &existing, &defaults)) {
        ClosePrinter(existing);
        return 0;
    }
    char processor[] = "WinPrint";
    char datatype[] = "RAW";
    PRINTER_INFO_2A printer{};
    printer.pPrinterName = model.data();
    printer.pPortName = port.data();
    printer.pDriverName = model.data();
    printer.pPrintProcessor = processor;
    printer.pDatatype = datatype;
    HANDLE created = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&printer));
    if (!created) return 0;
    ClosePrinter(created);

    if (!OpenOrCreate(
            "SYSTEM\\ControlSet001\\Control\\Print\\Monitors\\QAR USB Port\\Ports\\USB01:", &key)) {
        return 0;
    }
    const DWORD values[] = {2, 0, 300};
    const char* names[] = {"ShowWindow", "RunUser", "Delay"};
    for (int index = 0; index < 3; ++index) {
        RegSetValueExA(key, names[index], 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&values[index]), sizeof(DWORD));
    }
    RegCloseKey(key);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: qar_bare_chain MODEL PORT\n");
        return 2;
    }
    // As the installer's timer does: the spooler is reached once before the clock starts, as
    // the flows ask for the driver directory before the chain.
    char directory[MAX_PATH] = {};
    DWORD needed = 0;
    char environment[] = "Windows x64";
    GetPrinterDriverDirectoryA(nullptr, environment, 1, reinterpret_cast<BYTE*>(directory),
                               sizeof(directory), &needed);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const int result = Chain(argv[1], argv[2]);
    QueryPerformanceCounter(&end);
    std::printf("chain_ms=%.3f result=%d\n",
                1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                    static_cast<double>(frequency.QuadPart),
                result);
    return result ? 0 : 1;
}
