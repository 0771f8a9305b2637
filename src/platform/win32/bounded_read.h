#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/result.h"

namespace qar::win32 {

// One synchronous ReadFile that a watchdog cancels after boundMilliseconds, so that a mute
// device cannot hang the caller. A cancelled read fails with 995.
Result<std::vector<std::uint8_t>> ReadWithBound(HANDLE file, std::uint32_t maxBytes,
                                                std::uint32_t boundMilliseconds);

}  // namespace qar::win32
