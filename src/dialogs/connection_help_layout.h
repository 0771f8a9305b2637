// The connection help's colour and where its animation plays: shared by its view and its tests.
#pragma once

#include "platform/geometry.h"

namespace qar::connection_help_layout {

inline constexpr int kBackgroundColour = 0xF7B48E;  // red 142, green 180, blue 247

// The animation's place in a client area of the given size.
constexpr Rect AnimationRect(Rect client) {
    const int height = client.Height();
    const int shrinkY = static_cast<int>(height / 5.0);
    const Rect rect{client.left + 8, client.top + shrinkY, client.right - 8,
                    client.bottom - shrinkY};
    const int moveY = static_cast<int>((rect.top - rect.bottom) * 0.25);
    return {rect.left + 30, rect.top + moveY, rect.right + 30, rect.bottom + moveY};
}

}  // namespace qar::connection_help_layout
