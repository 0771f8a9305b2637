// System DLLs beyond the static imports, loaded from System32 when a call first needs them. The
// program runs elevated from wherever it was unpacked, so no DLL may come from its own folder:
// only KERNEL32, USER32, GDI32, ADVAPI32 and msvcrt are imported statically.
#pragma once

#include <windows.h>

namespace qar::win32 {

// kKernel32 is loaded already; it serves the functions that some Windows-like systems lack.
enum class SystemDll { kWinspool, kSetupApi, kComctl32, kKernel32, kOle32, kOleAut32, kNtdll };

// First act of the program: every later load by name searches System32 only.
void RestrictDllSearchToSystem32();

// Where Windows has it (Windows 10 22H2, 11), file opens no longer follow a junction that a
// standard user made (RedirectionGuard); elsewhere nothing changes. Its answer is not reported:
// Wine's is a stub that says yes.
void EnforceRedirectionTrust();

// The export's address, its DLL loaded from System32 on first use; null with the thread's last
// error set (126 no DLL, 127 no such export) when either fails. The DLLs stay loaded for the
// life of the process, as the loader's own imports do: handles they gave out may outlive any
// scope of ours.
FARPROC FindSystemExport(SystemDll dll, const char* exportName);

template <typename Function>
Function SystemFunction(SystemDll dll, const char* exportName) {
    // Through void(*)(): the one cast between function types that the compiler accepts as meant.
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(FindSystemExport(dll, exportName)));
}

}  // namespace qar::win32
