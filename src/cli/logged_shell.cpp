#include "cli/logged_shell.h"

#include <cstdio>

#include "platform/file_path.h"

namespace qar {

bool LoggedShell::DesktopShellRunning() {
    const bool running = inner_.DesktopShellRunning();
    log_.Record(running ? "desktop shell window found" : "no desktop shell window");
    return running;
}

ShellRoute LoggedShell::ExecuteInDesktopShell(std::string_view target) {
    ShellRoute route = inner_.ExecuteInDesktopShell(target);
    std::string steps;
    for (const ShellStep& step : route.steps) {
        char result[16] = {};
        std::snprintf(result, sizeof result, "0x%08X", static_cast<unsigned>(step.result));
        steps += (steps.empty() ? "" : ", ") + step.call + " " + result;
    }
    log_.Record("desktop shell route for " + Quoted(target) + ": " + steps + "; " +
                (route.opened ? "opened" : "not opened"));
    return route;
}

bool LoggedShell::StartExplorer(std::string_view target) {
    const bool started = inner_.StartExplorer(target);
    log_.Record("Explorer " + std::string(started ? "started" : "did not start") + " with " +
                Quoted(target));
    return started;
}

}  // namespace qar
