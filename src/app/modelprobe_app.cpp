#include "app/modelprobe_app.h"

#include "app/main_dialog.h"

namespace qar {

CModelprobe_uApp::CModelprobe_uApp(Platform& platform, InstallState& state)
    : platform_(platform), state_(state) {}

bool CModelprobe_uApp::InitInstance() {
    CModelprobe_uDlg dialog(platform_, state_);
    platform_.ui.RunMainDialog(dialog);
    return false;
}

}  // namespace qar
