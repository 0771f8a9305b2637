// Times the installer's USB enumeration and identification exchange against whatever cutters
// are plugged in. Usage: qar_identify_timer.exe
// → prints "devices=<n> enumerate_ms=<ms> identify_ms=<ms> per_device_ms=<ms> model=<text>"
#include <windows.h>

#include <cstdio>

#include "core/install_state.h"
#include "discovery/identify.h"
#include "discovery/usb_interface_table.h"
#include "main/win32_platform.h"

namespace {

double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main() {
    qar::win32::Win32Platform platform(GetModuleHandleA(nullptr));
    qar::Platform& services = platform.Services();
    qar::CUsbIF table;
    qar::InstallState state;
    const double start = Now();
    const int devices = table.EnumerateUsbPrinters(services.deviceSetup);
    const double enumerated = Now();
    qar::IdentifyUsbDevices(table, services.files, services.processes, state);
    const double identified = Now();
    std::printf("devices=%d enumerate_ms=%.2f identify_ms=%.2f per_device_ms=%.2f model=%s\n",
                devices, enumerated - start, identified - enumerated,
                devices ? (identified - enumerated) / devices : 0.0, state.modelName.c_str());
    return 0;
}
