#include "app/main_dialog.h"

#include <array>
#include <string>

#include "app/flow_dialogs.h"
#include "install/manual_install.h"
#include "install/usb_install.h"
#include "resource.h"
#include "spooler/port_monitor.h"
#include "spooler/port_update.h"

namespace qar {

namespace {

using CommandHandler = void (CModelprobe_uDlg::*)();

struct CommandEntry {
    std::uint32_t id;
    CommandHandler handler;
};

// The framework's help command (ID_HELP), which F1 would send.
constexpr std::uint32_t kHelpCommand = 57670;

constexpr std::array<CommandEntry, 6> kCommandTable = {{
    {IDC_MODELPROBE, &CModelprobe_uDlg::OnModelprobe},
    {IDC_UPDATE_PORT, &CModelprobe_uDlg::OnUpdatePort},
    {IDC_INSTALL_USB, &CModelprobe_uDlg::OnInstallUSB},
    {IDC_UNINSTALL_USB, &CModelprobe_uDlg::OnUninstallUsb},
    {IDC_INSTALL_DRIVER, &CModelprobe_uDlg::OnInstallDriver},
    {kHelpCommand, &CModelprobe_uDlg::OnHelp},
}};

}  // namespace

CModelprobe_uDlg::CModelprobe_uDlg(Platform& platform, ApplicationDialogs& dialogs,
                                   InstallState& state)
    : platform_(platform), dialogs_(dialogs), state_(state) {
    state_.packageFiles.RemoveAll();
}

bool CModelprobe_uDlg::OnInitDialog(MainDialogWindow& window) {
    window_ = &window;
    if (window.HasSystemMenu()) {
        const std::string aboutText = window.LoadResourceString(IDS_ABOUTBOX);
        if (!aboutText.empty()) {
            window.AppendSystemMenuSeparator();
            window.AppendSystemMenuItem(IDM_ABOUTBOX, aboutText);
        }
    }
    window.SetIcons();
    state_.ResetSelection();
    state_.packageFiles.AppendPackageNames();
    OnInstallDriver();
    OnOK();
    return true;
}

bool CModelprobe_uDlg::OnCommand(std::uint32_t id) {
    for (const CommandEntry& entry : kCommandTable) {
        if (entry.id == id) {
            (this->*entry.handler)();
            return true;
        }
    }
    return false;
}

bool CModelprobe_uDlg::OnSysCommand(std::uint32_t id) {
    if ((id & 0xFFF0) != IDM_ABOUTBOX) return false;
    dialogs_.RunAboutDialog(Owner());
    return true;
}

void CModelprobe_uDlg::OnModelprobe() {
    RunAutomaticDetection(platform_, state_, *this, usbTable_);
}

void CModelprobe_uDlg::OnUpdatePort() {
    UpdatePrinterPort(platform_.spooler);
}

void CModelprobe_uDlg::OnInstallUSB() {
    PortMonitorCommands(platform_).OnInstallUSB(Owner());
}

void CModelprobe_uDlg::OnUninstallUsb() {
    PortMonitorCommands(platform_).OnUninstallUsb(Owner());
}

void CModelprobe_uDlg::OnHelp() {
    // Taken and left without effect: the help file it would open never existed, and current
    // Windows has no viewer for that format, so opening it could only end in an error box.
}

void CModelprobe_uDlg::OnInstallDriver() {
    RunManualInstallation(platform_, state_, *this);
}

WindowRef CModelprobe_uDlg::Owner() const {
    return window_ ? window_->Handle() : kNoWindow;
}

int CModelprobe_uDlg::RunSelectPort() {
    const int chosen = RunSelection(platform_, dialogs_, state_);
    OnCancel();
    return chosen;
}

void CModelprobe_uDlg::ShowWarrantyOffer() {
    if (RunWarrantyOffer(platform_, dialogs_)) OnCancel();
}

int CModelprobe_uDlg::ShowConnectionHelp(std::string_view mode, std::string_view guidePath) {
    const int retry = RunConnectionHelp(platform_, dialogs_, mode, guidePath);
    OnCancel();
    return retry;
}

void CModelprobe_uDlg::OnOK() {
    if (window_) window_->EndDialog(dialog_result::kOk);
}

void CModelprobe_uDlg::OnCancel() {
    if (window_) window_->EndDialog(dialog_result::kCancel);
}

}  // namespace qar
