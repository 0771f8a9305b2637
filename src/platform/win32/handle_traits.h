// Handle traits for UniqueHandle: how each kind of Windows handle is closed and what "none" is.
// Closing keeps the thread's last error, so an error code read after a scope ends is not lost.
// Also the thread's last error as the seam's error value.
#pragma once

#include <windows.h>
#include <setupapi.h>
#include <winspool.h>

#include "platform/unique_handle.h"
#include "platform/win32/system_library.h"
#include "platform/win32_error.h"

namespace qar::win32 {

inline Win32Error LastError() {
    return static_cast<Win32Error>(GetLastError());
}

class LastErrorKeeper {
  public:
    LastErrorKeeper() : saved_(GetLastError()) {}
    ~LastErrorKeeper() { SetLastError(saved_); }

  private:
    DWORD saved_;
};

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle key) {
        LastErrorKeeper keep;
        RegCloseKey(key);
    }
};

struct PrinterTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle printer) {
        LastErrorKeeper keep;
        // The handle came from winspool, so it is loaded.
        if (const auto closePrinter = QAR_SYSTEM_FUNCTION(kWinspool, ClosePrinter)) {
            closePrinter(printer);
        }
    }
};

struct DeviceInfoSetTraits {
    using Handle = HDEVINFO;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle set) {
        LastErrorKeeper keep;
        if (const auto destroy = QAR_SYSTEM_FUNCTION(kSetupApi, SetupDiDestroyDeviceInfoList)) {
            destroy(set);
        }
    }
};

// Files and devices: CreateFile's "none" is INVALID_HANDLE_VALUE.
struct FileTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle file) {
        LastErrorKeeper keep;
        CloseHandle(file);
    }
};

struct FindTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle search) {
        LastErrorKeeper keep;
        FindClose(search);
    }
};

// Process, thread and event handles: "none" is null.
struct KernelObjectTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle object) {
        LastErrorKeeper keep;
        CloseHandle(object);
    }
};

// Closed without destroying: the namespace goes with the last handle of any run.
struct PrivateNamespaceTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle space) {
        LastErrorKeeper keep;
        if (const auto close = QAR_SYSTEM_FUNCTION(kKernel32, ClosePrivateNamespace)) {
            close(space, 0);
        }
    }
};

struct LocalMemoryTraits {
    using Handle = HLOCAL;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle memory) {
        LastErrorKeeper keep;
        LocalFree(memory);
    }
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
