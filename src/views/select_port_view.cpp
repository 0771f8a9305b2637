#include "views/select_port_view.h"

#include <string>

#include "dialogs/select_port_layout.h"
#include "platform/win32/gdi.h"
#include "resource.h"
#include "views/blit.h"

namespace qar::win32 {

SelectPortView::SelectPortView(HINSTANCE instance, SelectPortHandler& handler)
    : DialogView(instance, IDD_SELECT_PORT), handler_(handler) {}

void SelectPortView::AddPortEntry(std::string_view text) {
    SendMessageA(Control(IDC_PORT_COMBO), CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(std::string(text).c_str()));
}

void SelectPortView::AddModelEntry(std::string_view text) {
    SendMessageA(Control(IDC_MODEL_COMBO), CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(std::string(text).c_str()));
}

void SelectPortView::SelectPortEntry(int index) {
    SendMessageA(Control(IDC_PORT_COMBO), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void SelectPortView::SelectModelEntry(int index) {
    SendMessageA(Control(IDC_MODEL_COMBO), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::optional<std::string> SelectPortView::SelectedPortEntry() {
    return SelectedEntry(IDC_PORT_COMBO);
}

std::optional<std::string> SelectPortView::SelectedModelEntry() {
    return SelectedEntry(IDC_MODEL_COMBO);
}

std::optional<std::string> SelectPortView::SelectedEntry(int comboId) {
    const HWND combo = Control(comboId);
    const LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return std::nullopt;
    const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) return std::nullopt;
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT copied = SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                        reinterpret_cast<LPARAM>(text.data()));
    if (copied == CB_ERR) return std::nullopt;
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

BOOL SelectPortView::OnInitDialog() {
    return handler_.OnInitDialog(*this) ? TRUE : FALSE;
}

void SelectPortView::OnOK() {
    handler_.OnInstall();
}

std::optional<INT_PTR> SelectPortView::HandleMessage(UINT message, WPARAM, LPARAM) {
    if (message != WM_PAINT) return std::nullopt;
    Paint();
    return TRUE;
}

void SelectPortView::Paint() {
    PaintDc paint(Hwnd());
    for (const Blit& picture : select_port_layout::kPictures)
        PaintBlit(paint.Get(), Instance(), picture);
}

}  // namespace qar::win32
