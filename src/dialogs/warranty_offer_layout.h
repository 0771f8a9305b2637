// The warranty offer's shape, picture and drawn buttons: shared by its logic and its view.
#pragma once

#include <array>

#include "platform/geometry.h"

namespace qar::warranty_offer_layout {

// The drawn buttons in client coordinates (the picture is shown shifted by (3, 30)).
inline constexpr Rect kLeftArea{38, 230, 178, 275};
inline constexpr Rect kRightArea{250, 230, 390, 275};
// The window's outline, in window coordinates.
inline constexpr std::array<Point, 5> kRegionOutline = {
    {{2, 2}, {1, 325}, {425, 325}, {425, 2}, {2, 1}}};
// The picture in the client area and its top strip over the title bar.
inline constexpr Blit kClientPicture{129, {0, 0, 429, 329}, {3, 30}};
inline constexpr Blit kTitleStrip{129, {3, 0, 429, 29}, {3, 0}};

constexpr WindowPlacement Placement(int screenWidth, int screenHeight) {
    return CentredAboveMiddle(screenWidth, screenHeight, 214, 165);
}

}  // namespace qar::warranty_offer_layout
