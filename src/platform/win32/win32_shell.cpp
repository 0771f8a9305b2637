#include "platform/win32/win32_shell.h"

#include <windows.h>
#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <string>
#include <vector>

#include "platform/file_path.h"
#include "platform/unique_handle.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/system_functions.h"

namespace qar::win32 {

namespace {

// COM, apartment-threaded, entered on the first hand-off and kept for the life of the process:
// the security set right after it must hold for every later hand-off, and leaving the last
// apartment would tear it down. Every hand-off comes from the dialogs' one thread.
HRESULT ProcessApartment() {
    static const HRESULT entered = [] {
        const auto initialise = Ole32::CoInitializeEx();
        return initialise ? initialise(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)
                          : E_FAIL;
    }();
    return entered;
}

struct BstrTraits {
    using Handle = BSTR;
    static Handle Invalid() { return nullptr; }
    // Made by oleaut32, so the DLL is loaded.
    static void Close(Handle text) { OleAut32::SysFreeString()(text); }
};
using UniqueBstr = UniqueHandle<BstrTraits>;

UniqueBstr MakeBstr(std::string_view text) {
    const auto allocate = OleAut32::SysAllocStringLen();
    const std::wstring wide = WideFromAnsi(text);
    if (!allocate || wide.empty()) return UniqueBstr();
    return UniqueBstr(allocate(wide.data(), static_cast<UINT>(wide.size())));
}

// Each call of the route with its HRESULT; true when it succeeded.
class Steps {
  public:
    explicit Steps(std::vector<ShellStep>& steps) : steps_(steps) {}
    bool Succeeded(const char* call, HRESULT result) {
        steps_.push_back({call, static_cast<std::int32_t>(result)});
        return SUCCEEDED(result);
    }

  private:
    std::vector<ShellStep>& steps_;
};

// The desktop's folder view as the running shell holds it: a local server, so that nothing of
// the shell is loaded into this elevated process.
ComPtr<IShellView> DesktopView(Steps& steps) {
    const auto create = Ole32::CoCreateInstance();
    ComPtr<IShellWindows> windows;
    if (!create || !steps.Succeeded("CoCreateInstance(ShellWindows)",
                                    create(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                           IID_IShellWindows, windows.PutVoid()))) {
        return {};
    }
    VARIANT none{};
    long desktopWindow = 0;
    ComPtr<IDispatch> desktop;
    // S_FALSE says no desktop window was found.
    const HRESULT found = windows->FindWindowSW(&none, &none, SWC_DESKTOP, &desktopWindow,
                                                SWFO_NEEDDISPATCH, desktop.Put());
    if (!steps.Succeeded("FindWindowSW", found) || found != S_OK || !desktop) return {};
    const auto services = desktop.As<IServiceProvider>(IID_IServiceProvider);
    ComPtr<IShellBrowser> browser;
    if (!services ||
        !steps.Succeeded(
            "QueryService(STopLevelBrowser)",
            services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.PutVoid()))) {
        return {};
    }
    ComPtr<IShellView> view;
    if (!steps.Succeeded("QueryActiveShellView", browser->QueryActiveShellView(view.Put()))) {
        return {};
    }
    return view;
}

// The shell's application object, whose methods run in the shell's process.
ComPtr<IShellDispatch2> DesktopShellDispatch(Steps& steps) {
    const ComPtr<IShellView> view = DesktopView(steps);
    ComPtr<IDispatch> background;
    if (!view || !steps.Succeeded(
                     "GetItemObject(SVGIO_BACKGROUND)",
                     view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.PutVoid()))) {
        return {};
    }
    const auto folderView = background.As<IShellFolderViewDual>(IID_IShellFolderViewDual);
    ComPtr<IDispatch> application;
    if (!folderView ||
        !steps.Succeeded("get_Application", folderView->get_Application(application.Put()))) {
        return {};
    }
    return application.As<IShellDispatch2>(IID_IShellDispatch2);
}

// COM access for calls into this process: SYSTEM and the administrators only, with an owner and
// a group (a NULL descriptor would turn access checks off). CoInitializeSecurity takes it in
// absolute form only.
class ComAccessDescriptor {
  public:
    ComAccessDescriptor() {
        DWORD size = sizeof system_;
        DWORD administratorsSize = sizeof administrators_;
        constexpr DWORD kComRights = COM_RIGHTS_EXECUTE | COM_RIGHTS_EXECUTE_LOCAL;
        valid_ =
            CreateWellKnownSid(WinLocalSystemSid, nullptr, system_, &size) &&
            CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators_,
                               &administratorsSize) &&
            InitializeAcl(reinterpret_cast<ACL*>(acl_), sizeof acl_, ACL_REVISION) &&
            AddAccessAllowedAce(reinterpret_cast<ACL*>(acl_), ACL_REVISION, kComRights, system_) &&
            AddAccessAllowedAce(reinterpret_cast<ACL*>(acl_), ACL_REVISION, kComRights,
                                administrators_) &&
            InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
            SetSecurityDescriptorOwner(&descriptor_, administrators_, FALSE) &&
            SetSecurityDescriptorGroup(&descriptor_, administrators_, FALSE) &&
            SetSecurityDescriptorDacl(&descriptor_, TRUE, reinterpret_cast<ACL*>(acl_), FALSE);
    }
    PSECURITY_DESCRIPTOR Get() { return valid_ ? &descriptor_ : nullptr; }

  private:
    BYTE system_[SECURITY_MAX_SID_SIZE] = {};
    BYTE administrators_[SECURITY_MAX_SID_SIZE] = {};
    alignas(DWORD) BYTE acl_[256] = {};
    SECURITY_DESCRIPTOR descriptor_{};
    bool valid_ = false;
};

// Once per process, in its first apartment and before any call that marshals: no custom
// unmarshaler a hostile server names is loaded, and servers may only identify this process.
// COM security cannot be set once COM has set its defaults (RPC_E_TOO_LATE), so a later
// hand-off relies on this first answer. Wine's CoInitializeSecurity is a stub that says yes.
bool ComSecurityHardened(Steps& steps) {
    static const bool hardened = [&] {
        const auto initialise = Ole32::CoInitializeSecurity();
        ComAccessDescriptor access;
        if (!initialise || !access.Get()) return false;
        return steps.Succeeded(
            "CoInitializeSecurity",
            initialise(access.Get(), -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                       RPC_C_IMP_LEVEL_IDENTIFY, nullptr, EOAC_NO_CUSTOM_MARSHAL | EOAC_DISABLE_AAA,
                       nullptr));
    }();
    return hardened;
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

ShellRoute Win32Shell::ExecuteInDesktopShell(std::string_view target) {
    ShellRoute route;
    Steps steps(route.steps);
    if (!steps.Succeeded("CoInitializeEx", ProcessApartment())) return route;
    route.hardened = ComSecurityHardened(steps);
    if (!route.hardened) return route;
    const ComPtr<IShellDispatch2> shell = DesktopShellDispatch(steps);
    const UniqueBstr file = MakeBstr(target);
    const UniqueBstr verb = MakeBstr("open");
    if (!shell || !file || !verb) return route;
    const VARIANT none{};
    route.opened = steps.Succeeded("ShellExecute",
                                   shell->ShellExecute(file.Get(), none, none, TextVariant(verb),
                                                       ShowCommandVariant(SW_SHOW)));
    return route;
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
