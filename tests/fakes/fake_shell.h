// Records what would be opened, and by which way. The machine it models has a desktop shell
// whose automation route answers unless told otherwise.
#pragma once

#include <string>
#include <vector>

#include "fakes/fake_control.h"
#include "platform/shell.h"

namespace qar::fake {

class FakeShell final : public Shell {
  public:
    explicit FakeShell(FakeControl& control) : control_(control) {}

    bool desktopShellPresent = true;
    bool shellRouteAvailable = true;
    bool explorerStarts = true;
    // What the desktop shell opened itself, and what Explorer was started (or tried) with.
    std::vector<std::string> openedByShell;
    std::vector<std::string> explorerTargets;

  private:
    bool DesktopShellRunning() override {
        control_.Record("GetShellWindow()");
        return desktopShellPresent;
    }
    bool ExecuteInDesktopShell(std::string_view target) override {
        control_.Record("IShellDispatch2::ShellExecute(" + std::string(target) + ")");
        if (!shellRouteAvailable) return false;
        openedByShell.emplace_back(target);
        return true;
    }
    bool StartExplorer(std::string_view target) override {
        control_.Record("WinExec(Explorer " + std::string(target) + ")");
        explorerTargets.emplace_back(target);
        return explorerStarts;
    }

    FakeControl& control_;
};

}  // namespace qar::fake
