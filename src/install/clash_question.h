// The install chain as both flows run it: after a name clash the user may add a numbered queue.
#pragma once

#include "core/flow_outcome.h"
#include "core/install_state.h"
#include "platform/platform.h"

namespace qar {

// Runs the chain and shows its success box: kDone when a queue was installed, kDeclined when
// its name was taken and no numbered queue wanted, kFailed otherwise.
FlowOutcome InstallWithClashQuestion(Platform& platform, InstallState& state, WindowRef owner);

}  // namespace qar
