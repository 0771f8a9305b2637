#pragma once

#include <windows.h>

#include <functional>

#include "app/main_dialog_contract.h"
#include "views/dialog_base.h"

namespace qar::win32 {

// The main dialog's window: forwards its messages to the logic and paints the minimised icon.
class MainDialogView final : public DialogView<MainDialogWindow> {
  public:
    MainDialogView(HINSTANCE instance, MainDialogHandler& handler,
                   std::function<void(HWND)> onCreated);

    bool HasSystemMenu() override;
    void AppendSystemMenuSeparator() override;
    void AppendSystemMenuItem(std::uint32_t id, std::string_view text) override;
    std::string LoadResourceString(std::uint32_t id) override;
    void SetIcons() override;

  protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD notification, HWND control) override;
    std::optional<INT_PTR> HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void PaintMinimisedIcon();

    MainDialogHandler& handler_;
    std::function<void(HWND)> onCreated_;
    HICON icon_;  // shared icon from LoadIcon: not destroyed
};

}  // namespace qar::win32
