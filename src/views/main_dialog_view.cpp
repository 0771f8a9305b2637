#include "views/main_dialog_view.h"

#include <string>

#include "app/main_dialog_layout.h"
#include "platform/win32/gdi.h"
#include "resource.h"

namespace qar::win32 {

MainDialogView::MainDialogView(HINSTANCE instance, MainDialogHandler& handler,
                               std::function<void(HWND)> onCreated)
    : DialogView(instance, IDD_MODELPROBE_U_DIALOG),
      handler_(handler),
      onCreated_(std::move(onCreated)),
      icon_(LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

bool MainDialogView::HasSystemMenu() {
    return GetSystemMenu(Hwnd(), FALSE) != nullptr;
}

void MainDialogView::AppendSystemMenuSeparator() {
    AppendMenuA(GetSystemMenu(Hwnd(), FALSE), MF_SEPARATOR, 0, nullptr);
}

void MainDialogView::AppendSystemMenuItem(std::uint32_t id, std::string_view text) {
    AppendMenuA(GetSystemMenu(Hwnd(), FALSE), MF_STRING, id, std::string(text).c_str());
}

std::string MainDialogView::LoadResourceString(std::uint32_t id) {
    char text[256] = {};
    const int length = LoadStringA(Instance(), id, text, sizeof(text));
    return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

void MainDialogView::SetIcons() {
    SendMessageA(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageA(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
}

BOOL MainDialogView::OnInitDialog() {
    if (onCreated_) onCreated_(Hwnd());
    return handler_.OnInitDialog(*this) ? TRUE : FALSE;
}

bool MainDialogView::OnCommand(WORD id, WORD notification, HWND) {
    return notification == BN_CLICKED && handler_.OnCommand(id);
}

std::optional<INT_PTR> MainDialogView::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_SYSCOMMAND:
            if (handler_.OnSysCommand(static_cast<std::uint32_t>(wParam))) return TRUE;
            return std::nullopt;
        case WM_PAINT:
            if (!IsIconic(Hwnd())) return std::nullopt;
            PaintMinimisedIcon();
            return TRUE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(icon_);
        default:
            return std::nullopt;
    }
}

void MainDialogView::PaintMinimisedIcon() {
    PaintDc paint(Hwnd());
    SendMessageA(Hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.Get()), 0);
    RECT client{};
    GetClientRect(Hwnd(), &client);
    const IconOrigin origin = main_dialog_layout::MinimisedIconOrigin(
        client.right - client.left, client.bottom - client.top, GetSystemMetrics(SM_CXICON),
        GetSystemMetrics(SM_CYICON));
    DrawIcon(paint.Get(), origin.x, origin.y, icon_);
}

}  // namespace qar::win32
