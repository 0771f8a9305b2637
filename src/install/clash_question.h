// The install chain as both flows run it: after a name clash the user may add a numbered queue.
#pragma once

#include "install/install_state.h"
#include "platform/platform.h"

namespace qar {

// Runs the chain and shows its success box; returns whether a queue was installed.
bool InstallWithClashQuestion(Platform& platform, InstallState& state, WindowRef owner);

}  // namespace qar
