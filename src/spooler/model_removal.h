// Removes what the installation added for one model, and nothing else: the queues it names
// after the model (NAME, NAME_1, NAME_2, ...) that use the model's driver, then the driver
// unless a queue of the user's still uses it, then the driver's key once the driver is gone.
// What other models share (the monitor's port values, the port monitor, the files in System32,
// the package files) stays.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/flow_outcome.h"
#include "platform/platform.h"

namespace qar {

// Whether the installer names its queues so for this model: NAME, or NAME_ and a number.
bool IsInstallerQueueName(std::string_view queue, std::string_view model);

// A Yes/No question names what will go; No ends with kCancelled. A box then says what was
// removed and what was kept.
FlowOutcome RemoveModel(Platform& platform, std::string_view model);

}  // namespace qar
