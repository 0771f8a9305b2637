#include "views/dialog_base.h"

namespace qar::win32 {

INT_PTR DialogBase::DoModal(HWND parent) {
    return DialogBoxParamA(instance_, MAKEINTRESOURCEA(templateId_), parent, &DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void DialogBase::EndDialog(INT_PTR result) {
    ended_ = true;
    ::EndDialog(hwnd_, result);
}

void DialogBase::CentreWindow() {
    RECT window{};
    GetWindowRect(hwnd_, &window);
    RECT area{};
    const HWND owner = GetWindow(hwnd_, GW_OWNER);
    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &area);
    } else {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const int left = area.left + (area.right - area.left - width) / 2;
    const int top = area.top + (area.bottom - area.top - height) / 2;
    SetWindowPos(hwnd_, nullptr, left > area.left ? left : area.left,
                 top > area.top ? top : area.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DialogBase::MoveWindow(int left, int top, int width, int height, bool repaint) {
    ::MoveWindow(hwnd_, left, top, width, height, repaint ? TRUE : FALSE);
}

INT_PTR CALLBACK DialogBase::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<DialogBase*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        dialog->hwnd_ = window;
    }
    auto* dialog = reinterpret_cast<DialogBase*>(GetWindowLongPtrA(window, DWLP_USER));
    if (!dialog) return FALSE;
    return dialog->Dispatch(message, wParam, lParam);
}

INT_PTR DialogBase::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            RECT before{};
            GetWindowRect(hwnd_, &before);
            const BOOL result = OnInitDialog();
            RECT after{};
            GetWindowRect(hwnd_, &after);
            // As the usual dialog framework does: a dialog that did not place itself opens in
            // the middle of its owner, or of the screen, rather than in a corner.
            if (!ended_ && EqualRect(&before, &after)) CentreWindow();
            return result;
        }
        case WM_HELP:
            // F1 asks for help, and there is no help file: the program's help lives in its
            // dialogs and its document. Consumed here, so no window up the chain looks for one.
            return TRUE;
        case WM_WINDOWPOSCHANGING:
            // A dialog that has ended is never shown, though its template says WS_VISIBLE:
            // Wine shows such a dialog after WM_INITDIALOG even when it ended there.
            if (ended_) reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~SWP_SHOWWINDOW;
            return FALSE;
        case WM_COMMAND: {
            const WORD id = LOWORD(wParam);
            const WORD notification = HIWORD(wParam);
            // Only a click means OK or Cancel: other controls may share those ids.
            if (notification == BN_CLICKED && id == IDOK) {
                OnOK();
                return TRUE;
            }
            if (notification == BN_CLICKED && id == IDCANCEL) {
                OnCancel();
                return TRUE;
            }
            return OnCommand(id, notification, reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
        }
        default: {
            const std::optional<INT_PTR> handled = HandleMessage(message, wParam, lParam);
            return handled ? *handled : FALSE;
        }
    }
}

}  // namespace qar::win32
