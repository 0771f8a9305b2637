#include "views/blit.h"

#include "platform/win32/gdi.h"

namespace qar::win32 {

void PaintBlit(HDC target, HINSTANCE instance, const Blit& blit) {
    UniqueBitmap picture = LoadBitmapResource(instance, blit.bitmapId);
    UniqueMemoryDc memory = CreateMemoryDc(target);
    if (!picture || !memory) return;
    ScopedSelect selected(memory.Get(), picture.Get());
    BitBlt(target, blit.destination.left, blit.destination.top, blit.destination.Width(),
           blit.destination.Height(), memory.Get(), blit.source.x, blit.source.y, SRCCOPY);
}

}  // namespace qar::win32
