#pragma once

#include <windows.h>

#include "platform/geometry.h"

namespace qar::win32 {

// Loads a bitmap resource and copies it as the blit says; everything is released on return.
void PaintBlit(HDC target, HINSTANCE instance, const Blit& blit);

}  // namespace qar::win32
