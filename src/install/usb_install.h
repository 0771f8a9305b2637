// The automatic path: find the cutter on USB, ask its model, install it on its USB port.
#pragma once

#include "core/flow_outcome.h"
#include "core/install_host.h"
#include "core/install_state.h"
#include "discovery/usb_interface_table.h"
#include "platform/platform.h"

namespace qar {

// Without a cutter the detector and the connection help run; Retry starts again from the top.
FlowOutcome RunAutomaticDetection(Platform& platform, InstallState& state, InstallHost& host,
                                  CUsbIF& table);

}  // namespace qar
