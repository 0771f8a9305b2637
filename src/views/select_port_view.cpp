#include "views/select_port_view.h"

#include <string>

#include "dialogs/select_port_layout.h"
#include "platform/win32/gdi.h"
#include "resource.h"

namespace qar::win32 {

SelectPortView::SelectPortView(HINSTANCE instance, SelectPortHandler& handler)
    : DialogView(instance, IDD_SELECT_PORT), handler_(handler) {}

HWND SelectPortView::Combo(SelectionList list) const {
    return Control(list == SelectionList::kPort ? IDC_PORT_COMBO : IDC_MODEL_COMBO);
}

void SelectPortView::AddEntry(SelectionList list, std::string_view text) {
    SendMessageA(Combo(list), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::string(text).c_str()));
}

void SelectPortView::SelectEntry(SelectionList list, int index) {
    SendMessageA(Combo(list), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::optional<std::string> SelectPortView::SelectedEntry(SelectionList list) {
    const HWND combo = Combo(list);
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
