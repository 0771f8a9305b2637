// Shell services: handing a document or an address to the user's own shell, so that whatever
// opens it runs with the user's rights and not with this elevated program's.
#pragma once

#include <string_view>

namespace qar {

// What became of a hand-off.
enum class ShellHandoff {
    kUserShell,       // the running desktop shell opened it in its own process
    kExplorer,        // Explorer was started with it, to pass it on to the desktop's shell
    kNoDesktopShell,  // nothing was started: the user must open it
};

class Shell {
  public:
    virtual ~Shell() = default;

    // The desktop shell's own ShellExecute when that route answers, else Explorer when a
    // desktop shell runs and Explorer starts; else nothing is started (whatever opened the
    // target would run elevated) and the user must open it.
    ShellHandoff OpenInUserShell(std::string_view target);

  private:
    // GetShellWindow finds the desktop's shell window.
    virtual bool DesktopShellRunning() = 0;
    // The "open" verb run by the desktop shell through its automation objects; false when any
    // step of the way fails.
    virtual bool ExecuteInDesktopShell(std::string_view target) = 0;
    // The Windows folder's Explorer, by its full path, with the target on its command line; false
    // when it did not start.
    virtual bool StartExplorer(std::string_view target) = 0;
};

}  // namespace qar
