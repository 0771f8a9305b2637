// The platform services of a run with switches pass every call on unchanged and write to the
// log what they changed on the system, and each change the system refused.
// This one: what was handed to the user's shell, each step of the desktop shell's route with its
// HRESULT, so that a Windows on which the route fails is seen, not guessed.
#pragma once

#include "log/event_log.h"
#include "platform/shell.h"

namespace qar {

class LoggedShell final : public Shell {
  public:
    LoggedShell(Shell& inner, EventLog& log) : inner_(inner), log_(log) {}

    bool DesktopShellRunning() override;
    ShellRoute ExecuteInDesktopShell(std::string_view target) override;
    bool StartExplorer(std::string_view target) override;

  private:
    Shell& inner_;
    EventLog& log_;
};

}  // namespace qar
