// Folder app: the application's spine (application object, main dialog).
// The application object: runs the main dialog once and lets the process end.
#pragma once

#include "app/dialog_runner.h"
#include "core/install_state.h"
#include "platform/platform.h"

namespace qar {

class CModelprobe_uApp {
  public:
    CModelprobe_uApp(Platform& platform, ApplicationDialogs& dialogs, InstallState& state);

    // Runs the main dialog modally and returns false: there is no message loop after it.
    bool InitInstance();

  private:
    Platform& platform_;
    ApplicationDialogs& dialogs_;
    InstallState& state_;
};

}  // namespace qar
