// Where the port and model selection draws its pictures: shared by its view and its tests.
#pragma once

#include <array>

#include "platform/geometry.h"

namespace qar::select_port_layout {

// The plugs level with the port part, the plotter level with the model part; pixels.
inline constexpr std::array<Blit, 2> kPictures = {{
    {130, {280, 20, 340, 100}, {0, 0}},
    {131, {262, 130, 342, 180}, {0, 0}},
}};

}  // namespace qar::select_port_layout
