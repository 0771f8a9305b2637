#include "platform/shell.h"

namespace qar {

// The shell's own ShellExecute starts nothing in this process, so it is tried first. Elevated
// Explorer hands a target on only to a desktop shell that is running; without one it would
// open the target itself, as administrator.
ShellHandoff Shell::OpenInUserShell(std::string_view target) {
    const ShellRoute route = ExecuteInDesktopShell(target);
    if (route.opened) return ShellHandoff::kUserShell;
    if (!route.hardened || !DesktopShellRunning()) return ShellHandoff::kNoDesktopShell;
    return StartExplorer(target) ? ShellHandoff::kExplorer : ShellHandoff::kNoDesktopShell;
}

}  // namespace qar
