// Folder main: the program entry, the one file that sees every layer. The real services, the
// process-wide install state and the application object.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

// The entry point sits on top of every layer: it picks the application's spine or the command run.
#include "app/modelprobe_app.h"
#include "cli/command_line.h"
#include "cli/command_run.h"
#include "core/install_state.h"
#include "main/win32_platform.h"
#include "platform/win32/system_functions.h"

namespace {

// Lives from start-up to exit, shared by every flow of the run.
qar::InstallState installState;

// A relative /log names a file in the folder the run started in.
std::string AbsolutePath(const std::string& path) {
    const DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;  // opening the log says what is wrong with it
    std::string full(needed, '\0');
    const DWORD length = GetFullPathNameA(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return path;
    full.resize(length);
    return full;
}

// The folder the run started in (often Downloads) is one anyone may write to: no program this
// elevated run starts may inherit it, and nothing is looked up there.
void LeaveTheStartFolder(qar::FileSystem& files) {
    if (const auto system = files.SystemDirectory()) SetCurrentDirectoryA(system->c_str());
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    qar::win32::RestrictDllSearchToSystem32();
    qar::win32::EnforceRedirectionTrust();
    // The help dialog's animation control needs its class registered.
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_ANIMATE_CLASS | ICC_STANDARD_CLASSES};
    if (const auto initCommonControls = qar::win32::Comctl32::InitCommonControlsEx()) {
        initCommonControls(&controls);
    }

    qar::win32::Win32Platform platform(instance);
    // The C runtime has split the command line by the usual Windows rules.
    const std::vector<std::string> arguments(__argv + 1, __argv + __argc);
    if (arguments.empty()) {
        LeaveTheStartFolder(platform.Services().files);
        // A plain start takes the lock when it is free but never waits for it or refuses.
        const auto lock = platform.Services().processes.TryLock(qar::kInstanceLockNamespace,
                                                                qar::kInstanceLockName);
        qar::CModelprobe_uApp application(platform.Services(), platform.Dialogs(), installState);
        application.InitInstance();
        return 0;
    }
    qar::CommandLine line = qar::ParseCommandLine(arguments);
    if (!line.logPath.empty()) line.logPath = AbsolutePath(line.logPath);
    LeaveTheStartFolder(platform.Services().files);
    // A quiet run shows nothing, not even the system's own boxes for a missing disk or file.
    if (line.quiet) SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    return qar::RunCommandLine(platform.Services(), platform.Dialogs(), installState, line,
                               arguments);
}
