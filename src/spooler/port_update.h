// Re-points the printer "aaTZ-60" at port "USB001"; its driver, device settings, access list and
// every other setting stay its own.
#pragma once

#include "core/flow_outcome.h"
#include "platform/spooler.h"

namespace qar {

// Does nothing when there is no local printer or no "aaTZ-60".
FlowOutcome UpdatePrinterPort(Spooler& spooler);

}  // namespace qar
