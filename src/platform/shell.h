// Shell services: handing a document or an address to the user's own shell, so that whatever
// opens it runs with the user's rights and not with this elevated program's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qar {

// What became of a hand-off.
enum class ShellHandoff {
    kUserShell,       // the running desktop shell opened it in its own process
    kExplorer,        // Explorer was started with it, to pass it on to the desktop's shell
    kNoDesktopShell,  // nothing was started: the user must open it
};

// One call of the desktop shell's route and its HRESULT, so that a log can show where a
// Windows on which the route fails stopped.
struct ShellStep {
    std::string call;
    std::int32_t result = 0;
};

struct ShellRoute {
    bool opened = false;
    // False when COM security could not be hardened for this process: nothing may then talk to
    // the desktop's Explorer, which a standard user may run.
    bool hardened = true;
    std::vector<ShellStep> steps;
};

class Shell {
  public:
    virtual ~Shell() = default;

    // The desktop shell's own ShellExecute when that route answers, else Explorer when a
    // desktop shell runs, COM security took and Explorer starts; else nothing is started
    // (whatever opened the target would run elevated) and the user must open it.
    ShellHandoff OpenInUserShell(std::string_view target);

    // GetShellWindow finds the desktop's shell window.
    virtual bool DesktopShellRunning() = 0;
    // The "open" verb run by the desktop shell through its automation objects.
    virtual ShellRoute ExecuteInDesktopShell(std::string_view target) = 0;
    // The Windows folder's Explorer, by its full path, with the target on its command line; false
    // when it did not start.
    virtual bool StartExplorer(std::string_view target) = 0;
};

}  // namespace qar
