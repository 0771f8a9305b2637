// Folder install: the flows over discovery, spooler and dialogs.
// The manual installation: port and model from the user, then driver, queue and clean-up.
#pragma once

#include "core/flow_outcome.h"
#include "core/install_host.h"
#include "core/install_state.h"
#include "platform/platform.h"

namespace qar {

FlowOutcome RunManualInstallation(Platform& platform, InstallState& state, InstallHost& host);

}  // namespace qar
