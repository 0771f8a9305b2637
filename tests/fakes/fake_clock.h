// A clock that stands still, so a log line's stamp is known.
#pragma once

#include "platform/clock.h"

namespace qar::fake {

class FakeClock final : public Clock {
  public:
    LocalTime Now() override { return now; }
    LocalTime now{2026, 12, 9, 10, 11, 12, 13};
};

}  // namespace qar::fake
