// Times the installer's own install chain (logic, seam and Win32 services) for one model.
// Usage: qar_chain_timer.exe MODEL PORT   → prints "chain_ms=<ms> result=<0|1>"
#include <windows.h>

#include <cstdio>

#include "core/install_state.h"
#include "main/win32_platform.h"
#include "spooler/install_chain.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: qar_chain_timer MODEL PORT\n");
        return 2;
    }
    qar::win32::Win32Platform platform(GetModuleHandleA(nullptr));
    qar::InstallState state;
    state.selectedModel = argv[1];
    state.selectedPort = argv[2];
    state.selectionMade = 1;
    qar::InstallSteps steps(platform.Services(), state);
    // Both flows ask for the driver directory before the chain: the spooler's DLLs are loaded
    // by then, so loading them is not part of the chain's time.
    (void)platform.Services().spooler.DriverDirectory("Windows x64");
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const int result = steps.InstallChain();
    QueryPerformanceCounter(&end);
    std::printf("chain_ms=%.3f result=%d\n",
                1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                    static_cast<double>(frequency.QuadPart),
                result);
    return result ? 0 : 1;
}
