// The system functions the program calls beyond its static imports, one table per DLL, each
// typed by its own declaration: a call site asks its DLL's table, which finds the export in the
// DLL, loaded from System32 on first use (system_library.h). The fault matrix reads these
// tables (a struct per DLL, its file name in the comment) to fail a whole DLL.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>
#include <setupapi.h>
#include <winspool.h>
#include <winternl.h>

#include "platform/win32/system_library.h"

// The function, or null with the thread's last error set (126 no DLL, 127 no such export).
#define QAR_EXPORT(function)                                                         \
    static decltype(&::function) function() {                                        \
        return ::qar::win32::SystemFunction<decltype(&::function)>(kDll, #function); \
    }

namespace qar::win32 {

struct Winspool {  // winspool.drv
    static constexpr SystemDll kDll = SystemDll::kWinspool;
    QAR_EXPORT(AddMonitorA)
    QAR_EXPORT(AddPrinterA)
    QAR_EXPORT(AddPrinterDriverA)
    QAR_EXPORT(ClosePrinter)
    QAR_EXPORT(DeleteMonitorA)
    QAR_EXPORT(DeletePortA)
    QAR_EXPORT(DeletePrinter)
    QAR_EXPORT(DeletePrinterDriverExA)
    QAR_EXPORT(EnumMonitorsA)
    QAR_EXPORT(EnumPortsA)
    QAR_EXPORT(EnumPrinterDriversA)
    QAR_EXPORT(EnumPrintersA)
    QAR_EXPORT(GetPrinterA)
    QAR_EXPORT(GetPrinterDriverDirectoryA)
    QAR_EXPORT(OpenPrinterA)
    QAR_EXPORT(SetPrinterA)
    QAR_EXPORT(XcvDataW)
};

struct SetupApi {  // setupapi.dll
    static constexpr SystemDll kDll = SystemDll::kSetupApi;
    QAR_EXPORT(SetupDiDestroyDeviceInfoList)
    QAR_EXPORT(SetupDiEnumDeviceInterfaces)
    QAR_EXPORT(SetupDiGetClassDevsA)
    QAR_EXPORT(SetupDiGetDeviceInterfaceDetailA)
    QAR_EXPORT(SetupDiOpenDeviceInterfaceRegKey)
};

struct Comctl32 {  // comctl32.dll
    static constexpr SystemDll kDll = SystemDll::kComctl32;
    QAR_EXPORT(InitCommonControlsEx)
};

struct Kernel32 {  // kernel32.dll
    static constexpr SystemDll kDll = SystemDll::kKernel32;
    QAR_EXPORT(AddIntegrityLabelToBoundaryDescriptor)
    QAR_EXPORT(AddSIDToBoundaryDescriptor)
    QAR_EXPORT(ClosePrivateNamespace)
    QAR_EXPORT(CreateBoundaryDescriptorA)
    QAR_EXPORT(CreatePrivateNamespaceA)
    QAR_EXPORT(DeleteBoundaryDescriptor)
    QAR_EXPORT(OpenPrivateNamespaceA)
};

struct Ole32 {  // ole32.dll
    static constexpr SystemDll kDll = SystemDll::kOle32;
    QAR_EXPORT(CoCreateInstance)
    QAR_EXPORT(CoInitializeEx)
    QAR_EXPORT(CoInitializeSecurity)
};

struct OleAut32 {  // oleaut32.dll
    static constexpr SystemDll kDll = SystemDll::kOleAut32;
    QAR_EXPORT(SysAllocStringLen)
    QAR_EXPORT(SysFreeString)
};

struct Ntdll {  // ntdll.dll
    static constexpr SystemDll kDll = SystemDll::kNtdll;
    QAR_EXPORT(NtCreateFile)
    QAR_EXPORT(RtlNtStatusToDosError)
};

}  // namespace qar::win32

#undef QAR_EXPORT
