// The manual installation: port and model from the user, then driver, queue and clean-up.
#pragma once

#include "install/flow_outcome.h"
#include "install/install_host.h"
#include "install/install_state.h"
#include "platform/platform.h"

namespace qar {

FlowOutcome RunManualInstallation(Platform& platform, InstallState& state, InstallHost& host);

}  // namespace qar
