// A modal dialog of our own: the template's window procedure forwards to virtual handlers.
#pragma once

#include <windows.h>

#include <optional>

#include "platform/window_ref.h"

namespace qar::win32 {

class DialogBase {
  public:
    DialogBase(HINSTANCE instance, int templateId) : instance_(instance), templateId_(templateId) {}
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;
    virtual ~DialogBase() = default;

    // Runs the dialog modally and returns its result (-1 when it could not be created).
    INT_PTR DoModal(HWND parent);

    HWND Hwnd() const { return hwnd_; }
    HINSTANCE Instance() const { return instance_; }

  protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Commands other than a click on OK or Cancel; true when handled.
    virtual bool OnCommand(WORD /*id*/, WORD /*notification*/, HWND /*control*/) { return false; }
    // Any other message; a value is returned from the dialog procedure as it stands.
    virtual std::optional<INT_PTR> HandleMessage(UINT /*message*/, WPARAM, LPARAM) {
        return std::nullopt;
    }

    void EndDialog(INT_PTR result);
    HWND Control(int id) const { return GetDlgItem(hwnd_, id); }
    void MoveWindow(int left, int top, int width, int height, bool repaint);

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void CentreWindow();

    HINSTANCE instance_;
    int templateId_;
    HWND hwnd_ = nullptr;
    bool ended_ = false;
};

// A dialog as the window of its logic's contract: the handle, and the end where the contract asks
// for it (a same-signature function overrides the contract's, and is plain where it has none).
template <typename Window>
class DialogView : public DialogBase, public Window {
  public:
    using DialogBase::DialogBase;
    WindowRef Handle() const override { return reinterpret_cast<WindowRef>(Hwnd()); }
    void EndDialog(int result) { DialogBase::EndDialog(result); }
};

}  // namespace qar::win32
