#include "views/connection_help_view.h"

#include <commctrl.h>

#include <string>

#include "dialogs/connection_help_layout.h"
#include "platform/win32/gdi.h"
#include "resource.h"

namespace qar::win32 {

namespace {

constexpr DWORD kAnimationStyle = WS_CHILD | WS_VISIBLE | ACS_TRANSPARENT;
constexpr int kAnimationId = 1;

bool IsControlColour(UINT message) {
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

}  // namespace

ConnectionHelpView::ConnectionHelpView(HINSTANCE instance, ConnectionHelpHandler& handler)
    : DialogView(instance, IDD_AVI_PLAYER),
      handler_(handler),
      backgroundBrush_(CreateSolidBrush(connection_help_layout::kBackgroundColour)) {}

Point ConnectionHelpView::ScreenSize() const {
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void ConnectionHelpView::HideHelpButtons() {
    ShowWindow(Control(IDC_USB_TYPE_HELP), SW_HIDE);
    ShowWindow(Control(IDC_EXTRA_CANCEL), SW_HIDE);
}

void ConnectionHelpView::Place(const WindowPlacement& placement) {
    MoveWindow(placement.left, placement.top, placement.width, placement.height, true);
}

BOOL ConnectionHelpView::OnInitDialog() {
    // The plain rectangle before the handler sizes and places the window.
    SetWindowRgn(Hwnd(), nullptr, TRUE);
    handler_.OnInitDialog(*this);
    InvalidateRect(Hwnd(), nullptr, TRUE);
    return TRUE;
}

bool ConnectionHelpView::OnCommand(WORD id, WORD notification, HWND) {
    if (notification != BN_CLICKED) return false;
    if (id == IDC_USB_TYPE_HELP) {
        handler_.OnUsbTypeHelp();
        return true;
    }
    if (id == IDC_EXTRA_CANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

std::optional<INT_PTR> ConnectionHelpView::HandleMessage(UINT message, WPARAM wParam,
                                                         LPARAM lParam) {
    if (message == WM_PAINT) {
        Paint();
        return TRUE;
    }
    if (IsControlColour(message)) {
        // The default handling first prepares the device context as for any dialog (text and
        // background colours); its brush is set aside for the dialog's own.
        (void)DefWindowProcA(Hwnd(), message, wParam, lParam);
        return reinterpret_cast<INT_PTR>(backgroundBrush_.Get());
    }
    return std::nullopt;
}

void ConnectionHelpView::Paint() {
    PaintDc paint(Hwnd());
    if (handler_.AnimationEnabled()) ReplayAnimation();
    DrawTextLines(paint.Get());
}

void ConnectionHelpView::ReplayAnimation() {
    if (!IsWindow(animation_)) {
        RECT client{};
        GetClientRect(Hwnd(), &client);
        const Rect where = connection_help_layout::AnimationRect(
            {client.left, client.top, client.right, client.bottom});
        animation_ = CreateWindowExA(0, ANIMATE_CLASSA, "", kAnimationStyle, where.left, where.top,
                                     where.Width(), where.Height(), Hwnd(),
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(kAnimationId)),
                                     Instance(), nullptr);
    }
    // Every paint reopens the clip and starts it again from its first frame.
    const std::string path(handler_.MediaPath());
    SendMessageA(animation_, ACM_OPENA, reinterpret_cast<WPARAM>(Instance()),
                 reinterpret_cast<LPARAM>(path.c_str()));
    if (!IsWindow(animation_)) return;
    SendMessageA(animation_, ACM_PLAY, static_cast<WPARAM>(-1), MAKELONG(0, 0xFFFF));
    RedrawWindow(animation_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void ConnectionHelpView::DrawTextLines(HDC dc) {
    UniqueFont font(
        CreateFontA(14, 8, 0, 0, 900, FALSE, FALSE, FALSE, 0, 0, 0, 0, 49, "Courier New"));
    ScopedSelect selected(dc, font.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    RECT client{};
    GetClientRect(Hwnd(), &client);
    for (const TextLine& line : handler_.TextLines(client.right - client.left)) {
        RECT rect{line.rect.left, line.rect.top, line.rect.right, line.rect.bottom};
        DrawTextA(dc, line.text.data(), static_cast<int>(line.text.size()), &rect, DT_CENTER);
    }
}

}  // namespace qar::win32
