#pragma once

#include <cstdint>

namespace qar {

// A window handle as an opaque value; 0 is "no window".
using WindowRef = std::uintptr_t;
inline constexpr WindowRef kNoWindow = 0;

}  // namespace qar
