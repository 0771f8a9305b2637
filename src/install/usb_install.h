// The automatic path: find the cutter on USB, ask its model, install it on its USB port.
#pragma once

#include "discovery/usb_interface_table.h"
#include "install/flow_outcome.h"
#include "install/install_host.h"
#include "install/install_state.h"
#include "platform/platform.h"

namespace qar {

// Without a cutter the detector and the connection help run; Retry starts again from the top.
FlowOutcome RunAutomaticDetection(Platform& platform, InstallState& state, InstallHost& host,
                                  CUsbIF& table);

}  // namespace qar
