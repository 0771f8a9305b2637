#include "platform/win32/win32_shell.h"

#include <windows.h>
#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <string>

#include "platform/file_path.h"
#include "platform/unique_handle.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/system_library.h"

namespace qar::win32 {

namespace {

// COM on this thread, apartment-threaded, for as long as the object lives.
class ComApartment {
  public:
    ComApartment() {
        const auto initialise = QAR_SYSTEM_FUNCTION(kOle32, CoInitializeEx);
        result_ = initialise
                      ? initialise(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)
                      : E_FAIL;
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        // Loaded, since the initialisation succeeded.
        if (SUCCEEDED(result_)) QAR_SYSTEM_FUNCTION(kOle32, CoUninitialize)();
    }
    bool Entered() const { return SUCCEEDED(result_); }

  private:
    HRESULT result_ = E_FAIL;
};

struct BstrTraits {
    using Handle = BSTR;
    static Handle Invalid() { return nullptr; }
    // Made by oleaut32, so the DLL is loaded.
    static void Close(Handle text) { QAR_SYSTEM_FUNCTION(kOleAut32, SysFreeString)(text); }
};
using UniqueBstr = UniqueHandle<BstrTraits>;

UniqueBstr MakeBstr(std::string_view text) {
    const auto allocate = QAR_SYSTEM_FUNCTION(kOleAut32, SysAllocStringLen);
    const int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (!allocate || length <= 0) return UniqueBstr();
    UniqueBstr wide(allocate(nullptr, static_cast<UINT>(length)));
    if (wide) {
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.Get(),
                            length);
    }
    return wide;
}

// The desktop's folder view as the running shell holds it: a local server, so that nothing of
// the shell is loaded into this elevated process.
ComPtr<IShellView> DesktopView() {
    const auto create = QAR_SYSTEM_FUNCTION(kOle32, CoCreateInstance);
    ComPtr<IShellWindows> windows;
    if (!create || FAILED(create(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                 IID_IShellWindows, windows.PutVoid()))) {
        return {};
    }
    VARIANT none{};
    long desktopWindow = 0;
    ComPtr<IDispatch> desktop;
    // S_FALSE says no desktop window was found.
    if (windows->FindWindowSW(&none, &none, SWC_DESKTOP, &desktopWindow, SWFO_NEEDDISPATCH,
                              desktop.Put()) != S_OK ||
        !desktop) {
        return {};
    }
    const auto services = desktop.As<IServiceProvider>(IID_IServiceProvider);
    ComPtr<IShellBrowser> browser;
    if (!services || FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                                   browser.PutVoid()))) {
        return {};
    }
    ComPtr<IShellView> view;
    if (FAILED(browser->QueryActiveShellView(view.Put()))) return {};
    return view;
}

// The shell's application object, whose methods run in the shell's process.
ComPtr<IShellDispatch2> DesktopShellDispatch() {
    const ComPtr<IShellView> view = DesktopView();
    ComPtr<IDispatch> background;
    if (!view ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.PutVoid()))) {
        return {};
    }
    const auto folderView = background.As<IShellFolderViewDual>(IID_IShellFolderViewDual);
    ComPtr<IDispatch> application;
    if (!folderView || FAILED(folderView->get_Application(application.Put()))) return {};
    return application.As<IShellDispatch2>(IID_IShellDispatch2);
}

VARIANT TextVariant(const UniqueBstr& text) {
    VARIANT variant{};
    variant.vt = VT_BSTR;
    variant.bstrVal = text.Get();  // borrowed: the owner frees it
    return variant;
}

VARIANT ShowCommandVariant(int showCommand) {
    VARIANT variant{};
    variant.vt = VT_I4;
    variant.lVal = showCommand;
    return variant;
}

// A path with blanks is one argument only in quotes; an address has none and goes as it is.
std::string CommandArgument(std::string_view text) {
    return text.find(' ') == std::string_view::npos ? std::string(text) : Quoted(text);
}

}  // namespace

bool Win32Shell::DesktopShellRunning() {
    return GetShellWindow() != nullptr;
}

bool Win32Shell::ExecuteInDesktopShell(std::string_view target) {
    const ComApartment apartment;
    if (!apartment.Entered()) return false;
    const ComPtr<IShellDispatch2> shell = DesktopShellDispatch();
    const UniqueBstr file = MakeBstr(target);
    const UniqueBstr verb = MakeBstr("open");
    if (!shell || !file || !verb) return false;
    const VARIANT none{};
    return SUCCEEDED(shell->ShellExecute(file.Get(), none, none, TextVariant(verb),
                                         ShowCommandVariant(SW_SHOW)));
}

// Explorer passes the target to the desktop's shell when that runs folders in its own process.
// Only the system's Windows folder's: System32 is SysWOW64 for this 32-bit program, whose
// Explorer is the 32-bit one, and GetWindowsDirectory may name a user's own folder on a Remote
// Desktop host. WinExec's 31 or less is a start that failed.
bool Win32Shell::StartExplorer(std::string_view target) {
    char windows[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryA(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    std::string command(1, '"');
    command.append(windows, length).append("\\explorer.exe\" ").append(CommandArgument(target));
    return WinExec(command.c_str(), SW_SHOW) > 31;
}

}  // namespace qar::win32
