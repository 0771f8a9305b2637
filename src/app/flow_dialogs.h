// The dialogs the installation flows ask for, as both front ends run them.
#pragma once

#include <string_view>

#include "app/dialog_runner.h"
#include "core/install_state.h"
#include "platform/platform.h"

namespace qar {

// The port and model selection; 1 when the user confirmed both (then in `state`), 0 otherwise.
int RunSelection(Platform& platform, ApplicationDialogs& dialogs, InstallState& state);

// The warranty offer; true when it ended with OK.
bool RunWarrantyOffer(Platform& platform, DialogRunner& dialogs);

// The connection help for the detector's verdict, its help command handing `guidePath` to the
// user's shell; 1 when the user chose Retry.
int RunConnectionHelp(Platform& platform, DialogRunner& dialogs, std::string_view mode,
                      std::string_view guidePath);

}  // namespace qar
