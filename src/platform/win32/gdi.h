// Painting helpers: every DC and every selection is undone when its scope ends.
#pragma once

#include <windows.h>

#include "platform/geometry.h"
#include "platform/win32/handle_traits.h"

namespace qar::win32 {

class PaintDc {
  public:
    explicit PaintDc(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    ~PaintDc() { EndPaint(window_, &paint_); }
    HDC Get() const { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// The whole window's DC (title bar included), released at scope end.
class WindowDc {
  public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetWindowDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC Get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a DC and puts the previous one back at scope end.
class ScopedSelect {
  public:
    ScopedSelect(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;
    ~ScopedSelect() {
        if (previous_) SelectObject(dc_, previous_);
    }

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Loads a bitmap resource and copies it as the blit says; everything is released on return.
inline void PaintBlit(HDC target, HINSTANCE instance, const Blit& blit) {
    const UniqueBitmap picture(LoadBitmapA(instance, MAKEINTRESOURCEA(blit.bitmapId)));
    const UniqueMemoryDc memory(CreateCompatibleDC(target));
    if (!picture || !memory) return;
    ScopedSelect selected(memory.Get(), picture.Get());
    BitBlt(target, blit.destination.left, blit.destination.top, blit.destination.Width(),
           blit.destination.Height(), memory.Get(), blit.source.x, blit.source.y, SRCCOPY);
}

}  // namespace qar::win32
