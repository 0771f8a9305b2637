// Folder views: the Win32 half of the dialogs (dialog base, views, pictures) and the user
// interface that runs them. What each folder may use: src/layers.txt.
#pragma once

#include <windows.h>

#include "app/dialog_runner.h"
#include "platform/user_interface.h"

namespace qar::win32 {

class Win32UserInterface final : public UserInterface, public ApplicationDialogs {
  public:
    explicit Win32UserInterface(HINSTANCE instance) : instance_(instance) {}

    int ShowMessageBox(WindowRef owner, std::string_view text, std::string_view caption,
                       unsigned style) override;
    int ApplicationMessageBox(std::string_view text, unsigned style) override;
    std::string SystemMessageText(Win32Error code) override;
    int RunMainDialog(MainDialogHandler& handler) override;
    int RunAboutDialog(WindowRef owner) override;
    int RunSelectPortDialog(SelectPortHandler& handler) override;
    int RunWarrantyOfferDialog(WarrantyOfferHandler& handler) override;
    int RunConnectionHelpDialog(ConnectionHelpHandler& handler) override;

  private:
    HINSTANCE instance_;
    HWND mainWindow_ = nullptr;
};

}  // namespace qar::win32
