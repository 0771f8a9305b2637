// The main dialog: host of every command; its initialisation runs the manual installation.
#pragma once

#include <cstdint>

#include "app/dialog_runner.h"
#include "app/main_dialog_contract.h"
#include "core/install_host.h"
#include "core/install_state.h"
#include "discovery/usb_interface_table.h"
#include "platform/platform.h"

namespace qar {

class CModelprobe_uDlg final : public MainDialogHandler, public InstallHost {
  public:
    CModelprobe_uDlg(Platform& platform, ApplicationDialogs& dialogs, InstallState& state);

    bool OnInitDialog(MainDialogWindow& window) override;
    bool OnCommand(std::uint32_t id) override;
    bool OnSysCommand(std::uint32_t id) override;

    void OnModelprobe();
    void OnUpdatePort();
    void OnInstallUSB();
    void OnUninstallUsb();
    void OnInstallDriver();
    void OnHelp();

    WindowRef Owner() const override;
    int RunSelectPort() override;
    void ShowWarrantyOffer() override;
    int ShowConnectionHelp(std::string_view mode, std::string_view guidePath) override;
    // Someone is there: a plain start shows what it does.
    bool Unattended() const override { return false; }

    // Both only ask the window to end; whatever runs in the handler goes on.
    void OnOK();
    void OnCancel();

  private:
    Platform& platform_;
    ApplicationDialogs& dialogs_;
    InstallState& state_;
    MainDialogWindow* window_ = nullptr;
    CUsbIF usbTable_;
};

}  // namespace qar
