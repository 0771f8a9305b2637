// The meeting point of the warranty offer dialog's logic and its window.
#pragma once

#include "platform/window_ref.h"

namespace qar {

class WarrantyOfferWindow {
  public:
    virtual ~WarrantyOfferWindow() = default;
    virtual WindowRef Handle() const = 0;
    virtual void EndDialog(int result) = 0;
};

class WarrantyOfferHandler {
  public:
    virtual ~WarrantyOfferHandler() = default;
    virtual void OnInitDialog(WarrantyOfferWindow& window) = 0;
    virtual void OnMouseMove(int x, int y) = 0;
    virtual void OnLButtonDown() = 0;
    virtual void OnLButtonUp() = 0;
    // True while the pointer is taken to be over a drawn button: show the hand cursor.
    virtual bool WantsHandCursor() const = 0;
};

}  // namespace qar
