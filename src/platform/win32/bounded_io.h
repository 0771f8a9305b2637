#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <vector>

#include "platform/result.h"

namespace qar::win32 {

// One synchronous ReadFile or WriteFile that a watchdog cancels after boundMilliseconds, so that
// a device that never answers, or never takes data, cannot hang the caller. A cancelled call
// fails with 995. A driver that ignores cancellation keeps the call, and the caller, waiting.
Result<std::vector<std::uint8_t>> ReadWithBound(HANDLE file, std::uint32_t maxBytes,
                                                std::uint32_t boundMilliseconds);
Result<std::uint32_t> WriteWithBound(HANDLE file, std::span<const std::uint8_t> bytes,
                                     std::uint32_t boundMilliseconds);

}  // namespace qar::win32
