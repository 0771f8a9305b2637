// Records what would be opened or started.
#pragma once

#include <string>
#include <vector>

#include "platform/fake/fake_control.h"
#include "platform/shell.h"

namespace qar::fake {

class FakeShell final : public Shell {
  public:
    explicit FakeShell(FakeControl& control) : control_(control) {}

    std::uint32_t RunCommandLine(std::string_view commandLine) override {
        control_.Record("WinExec(" + std::string(commandLine) + ")");
        commandLines.emplace_back(commandLine);
        return control_.InjectedFailure("WinExec") ? 2 : 33;
    }

    std::vector<std::string> commandLines;

  private:
    FakeControl& control_;
};

}  // namespace qar::fake
