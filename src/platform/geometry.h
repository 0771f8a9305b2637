// Small geometry types in pixels, with the platform's rectangle rules.
#pragma once

#include <string_view>

namespace qar {

struct Point {
    int x = 0;
    int y = 0;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    // Left and top edges inside, right and bottom edges outside, as PtInRect tests.
    constexpr bool Contains(Point point) const {
        return point.x >= left && point.x < right && point.y >= top && point.y < bottom;
    }
    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// A window's outer rectangle as MoveWindow takes it.
struct WindowPlacement {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend constexpr bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

// Centred horizontally and in the screen height less 20 pixels; integer division throughout.
constexpr WindowPlacement CentredAboveMiddle(int screenWidth, int screenHeight, int halfWidth,
                                             int halfHeight) {
    return {screenWidth / 2 - halfWidth, (screenHeight - 20) / 2 - halfHeight, 2 * halfWidth,
            2 * halfHeight};
}

// One picture copied from a source point to a destination rectangle.
struct Blit {
    int bitmapId = 0;
    Rect destination;
    Point source;
};

// One line of text drawn centred at the top of its rectangle.
struct TextLine {
    std::string_view text;
    Rect rect;
};

}  // namespace qar
