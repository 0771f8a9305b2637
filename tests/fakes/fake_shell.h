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
    bool comHardened = true;  // CoInitializeSecurity took
    // What the desktop shell opened itself, and what Explorer was started (or tried) with.
    std::vector<std::string> openedByShell;
    std::vector<std::string> explorerTargets;

  private:
    bool DesktopShellRunning() override {
        control_.Record("GetShellWindow()");
        return desktopShellPresent;
    }
    ShellRoute ExecuteInDesktopShell(std::string_view target) override {
        control_.Record("IShellDispatch2::ShellExecute(" + std::string(target) + ")");
        if (!comHardened) return {false, false, {{"CoInitializeSecurity", kAccessDenied}}};
        if (!shellRouteAvailable) return {false, true, {{"FindWindowSW", kFalse}}};
        openedByShell.emplace_back(target);
        return {true, true, {{"ShellExecute", 0}}};
    }
    bool StartExplorer(std::string_view target) override {
        control_.Record("WinExec(Explorer " + std::string(target) + ")");
        explorerTargets.emplace_back(target);
        return explorerStarts;
    }

    static constexpr std::int32_t kAccessDenied = static_cast<std::int32_t>(0x80070005);
    static constexpr std::int32_t kFalse = 1;  // S_FALSE
    FakeControl& control_;
};

}  // namespace qar::fake
