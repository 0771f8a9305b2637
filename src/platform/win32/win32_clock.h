#pragma once

#include "platform/clock.h"

namespace qar::win32 {

class Win32Clock final : public Clock {
  public:
    LocalTime Now() override;
};

}  // namespace qar::win32
