// Handle traits for UniqueHandle: how each kind of Windows handle is closed and what "none" is.
// Closing keeps the thread's last error, so an error code read after a scope ends is not lost.
// Also the thread's last error as the seam's error value.
#pragma once

#include <windows.h>
#include <setupapi.h>
#include <winspool.h>

#include "platform/unique_handle.h"
#include "platform/win32/system_functions.h"
#include "platform/win32_error.h"

namespace qar::win32 {

inline Win32Error LastError() {
    return static_cast<Win32Error>(GetLastError());
}

// A call that answers BOOL, through an export that may be missing (its last error then set): the
// seam's error, 0 when it succeeded.
template <typename Function, typename... Arguments>
Win32Error Called(Function function, Arguments... arguments) {
    if (!function || !function(arguments...)) return LastError();
    return win32_error::kSuccess;
}

// The base of the kinds that keep the thread's last error when closed: each names how its handle
// is released, and its "none" where that is not null.
template <typename Kind, typename HandleType>
struct KeepingLastError {
    using Handle = HandleType;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) {
        const DWORD saved = GetLastError();
        Kind::Release(handle);
        SetLastError(saved);
    }
};

struct RegistryKeyTraits : KeepingLastError<RegistryKeyTraits, HKEY> {
    static void Release(Handle key) { RegCloseKey(key); }
};

struct PrinterTraits : KeepingLastError<PrinterTraits, HANDLE> {
    static void Release(Handle printer) {
        // The handle came from winspool, so it is loaded.
        if (const auto closePrinter = Winspool::ClosePrinter()) closePrinter(printer);
    }
};

struct DeviceInfoSetTraits : KeepingLastError<DeviceInfoSetTraits, HDEVINFO> {
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Release(Handle set) {
        if (const auto destroy = SetupApi::SetupDiDestroyDeviceInfoList()) destroy(set);
    }
};

// Files and devices: CreateFile's "none" is INVALID_HANDLE_VALUE.
struct FileTraits : KeepingLastError<FileTraits, HANDLE> {
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Release(Handle file) { CloseHandle(file); }
};

struct FindTraits : KeepingLastError<FindTraits, HANDLE> {
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Release(Handle search) { FindClose(search); }
};

// Process, thread and event handles: "none" is null.
struct KernelObjectTraits : KeepingLastError<KernelObjectTraits, HANDLE> {
    static void Release(Handle object) { CloseHandle(object); }
};

// Closed without destroying: the namespace goes with the last handle of any run.
struct PrivateNamespaceTraits : KeepingLastError<PrivateNamespaceTraits, HANDLE> {
    static void Release(Handle space) {
        if (const auto close = Kernel32::ClosePrivateNamespace()) close(space, 0);
    }
};

struct LocalMemoryTraits : KeepingLastError<LocalMemoryTraits, HLOCAL> {
    static void Release(Handle memory) { LocalFree(memory); }
};

template <typename GdiHandle>
struct GdiObjectTraits {
    using Handle = GdiHandle;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle object) { DeleteObject(object); }
};

struct MemoryDcTraits {
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle dc) { DeleteDC(dc); }
};

using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;
using UniquePrinter = UniqueHandle<PrinterTraits>;
using UniqueDeviceInfoSet = UniqueHandle<DeviceInfoSetTraits>;
using UniqueFile = UniqueHandle<FileTraits>;
using UniqueFind = UniqueHandle<FindTraits>;
using UniqueKernelObject = UniqueHandle<KernelObjectTraits>;
using UniqueLocalMemory = UniqueHandle<LocalMemoryTraits>;
using UniquePrivateNamespace = UniqueHandle<PrivateNamespaceTraits>;
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;

}  // namespace qar::win32
