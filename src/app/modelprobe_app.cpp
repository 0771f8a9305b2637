#include "app/modelprobe_app.h"

#include "app/main_dialog.h"

namespace qar {

CModelprobe_uApp::CModelprobe_uApp(Platform& platform, ApplicationDialogs& dialogs,
                                   InstallState& state)
    : platform_(platform), dialogs_(dialogs), state_(state) {}

bool CModelprobe_uApp::InitInstance() {
    CModelprobe_uDlg dialog(platform_, dialogs_, state_);
    dialogs_.RunMainDialog(dialog);
    return false;
}

}  // namespace qar
