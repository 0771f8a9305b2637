// Re-points the printer "aaTZ-60" at port "USB001" with the settings of the first local printer.
#pragma once

#include "core/flow_outcome.h"
#include "platform/spooler.h"

namespace qar {

// Does nothing when there is no local printer or no "aaTZ-60": no record, nothing to write.
FlowOutcome UpdatePrinterPort(Spooler& spooler);

}  // namespace qar
