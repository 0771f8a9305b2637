#include "views/warranty_offer_view.h"

#include <windowsx.h>

#include <array>

#include "dialogs/warranty_offer_layout.h"
#include "platform/win32/gdi.h"
#include "resource.h"

namespace qar::win32 {

WarrantyOfferView::WarrantyOfferView(HINSTANCE instance, WarrantyOfferHandler& handler)
    : DialogView(instance, IDD_EXTEND_PROTECT), handler_(handler) {}

BOOL WarrantyOfferView::OnInitDialog() {
    handler_.OnInitDialog(*this);
    ShapeAndPlace();
    return TRUE;
}

void WarrantyOfferView::ShapeAndPlace() {
    std::array<POINT, warranty_offer_layout::kRegionOutline.size()> outline{};
    for (std::size_t index = 0; index < outline.size(); ++index) {
        outline[index] = {warranty_offer_layout::kRegionOutline[index].x,
                          warranty_offer_layout::kRegionOutline[index].y};
    }
    UniqueHandle<GdiObjectTraits<HRGN>> region(
        CreatePolygonRgn(outline.data(), static_cast<int>(outline.size()), WINDING));
    // Once the window accepts the region it owns it.
    if (region && SetWindowRgn(Hwnd(), region.Get(), TRUE)) (void)region.Release();

    const WindowPlacement place = warranty_offer_layout::Placement(GetSystemMetrics(SM_CXSCREEN),
                                                                   GetSystemMetrics(SM_CYSCREEN));
    MoveWindow(place.left, place.top, place.width, place.height, true);
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

INT_PTR WarrantyOfferView::Result(LRESULT value) {
    SetWindowLongPtrA(Hwnd(), DWLP_MSGRESULT, value);
    return TRUE;
}

std::optional<INT_PTR> WarrantyOfferView::HandleMessage(UINT message, WPARAM wParam,
                                                        LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            PaintClient();
            return TRUE;
        case WM_NCPAINT:
        case WM_NCACTIVATE:
            return PaintTitleStrip(message, wParam, lParam);
        case WM_MOUSEMOVE:
            handler_.OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return std::nullopt;
        case WM_LBUTTONDOWN:
            handler_.OnLButtonDown();
            return std::nullopt;
        case WM_LBUTTONUP:
            handler_.OnLButtonUp();
            return std::nullopt;
        case WM_SETCURSOR:
            if (!handler_.WantsHandCursor()) return std::nullopt;
            SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
            return Result(TRUE);
        default:
            return std::nullopt;
    }
}

void WarrantyOfferView::PaintClient() {
    PaintDc paint(Hwnd());
    PaintBlit(paint.Get(), Instance(), warranty_offer_layout::kClientPicture);
}

INT_PTR WarrantyOfferView::PaintTitleStrip(UINT message, WPARAM wParam, LPARAM lParam) {
    // The frame is drawn as usual first; the picture's top strip then covers the title bar.
    DefWindowProcA(Hwnd(), message, wParam, lParam);
    WindowDc window(Hwnd());
    if (window.Get()) PaintBlit(window.Get(), Instance(), warranty_offer_layout::kTitleStrip);
    return Result(message);
}

}  // namespace qar::win32
