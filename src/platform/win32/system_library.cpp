#include "platform/win32/system_library.h"

#include <array>
#include <cwchar>

namespace qar::win32 {

namespace {

constexpr std::array<const wchar_t*, 7> kFileNames = {
    L"winspool.drv", L"setupapi.dll", L"comctl32.dll", L"kernel32.dll",
    L"ole32.dll",    L"oleaut32.dll", L"ntdll.dll"};

// Windows 7 without its loader update knows no search flags (87): name the file in full.
HMODULE LoadByFullSystemPath(const wchar_t* fileName) {
    wchar_t path[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0) return nullptr;
    if (length + 1 + std::wcslen(fileName) >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    path[length] = L'\\';
    std::wcscpy(path + length + 1, fileName);
    // Its own imports are then looked for beside it, in System32, first.
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE LoadFromSystem32(const wchar_t* fileName) {
    HMODULE module = LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) {
        module = LoadByFullSystemPath(fileName);
    }
    return module;
}

}  // namespace

void EnforceRedirectionTrust() {
    // Declared here: the headers give neither before Windows 8's SDK level.
    constexpr int kProcessRedirectionTrustPolicy = 16;
    struct RedirectionTrustPolicy {
        DWORD flags;  // bit 0: EnforceRedirectionTrust
    } policy{1};
    using SetPolicy = BOOL(WINAPI*)(int, void*, SIZE_T);
    const auto set = SystemFunction<SetPolicy>(SystemDll::kKernel32, "SetProcessMitigationPolicy");
    if (set) set(kProcessRedirectionTrustPolicy, &policy, sizeof policy);
}

void RestrictDllSearchToSystem32() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // Without it, at least the current directory leaves the search.
    SetDllDirectoryW(L"");
}

FARPROC FindSystemExport(SystemDll dll, const char* exportName) {
    // Touched by the UI thread only; a second load would merely count the DLL once more.
    static std::array<HMODULE, kFileNames.size()> loaded{};
    HMODULE& module = loaded[static_cast<std::size_t>(dll)];
    if (module == nullptr) module = LoadFromSystem32(kFileNames[static_cast<std::size_t>(dll)]);
    if (module == nullptr) return nullptr;
    return GetProcAddress(module, exportName);
}

}  // namespace qar::win32
