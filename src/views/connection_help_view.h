#pragma once

#include <windows.h>

#include "dialogs/connection_help_contract.h"
#include "platform/win32/handle_traits.h"
#include "views/dialog_base.h"

namespace qar::win32 {

// The help dialog's window: an animation control made at the first paint, Courier text
// lines, and one background brush for the dialog's whole life.
class ConnectionHelpView final : public DialogView<ConnectionHelpWindow> {
  public:
    ConnectionHelpView(HINSTANCE instance, ConnectionHelpHandler& handler);

    Point ScreenSize() const override;
    void HideHelpButtons() override;
    void Place(const WindowPlacement& placement) override;

  protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD notification, HWND control) override;
    std::optional<INT_PTR> HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void Paint();
    void ReplayAnimation();
    void DrawTextLines(HDC dc);

    ConnectionHelpHandler& handler_;
    UniqueBrush backgroundBrush_;
    HWND animation_ = nullptr;  // a child window: destroyed with the dialog
};

}  // namespace qar::win32
