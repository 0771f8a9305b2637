#include "app/flow_dialogs.h"

#include "dialogs/avi_player.h"
#include "dialogs/extend_protect.h"
#include "dialogs/select_port.h"

namespace qar {

int RunSelection(Platform& platform, ApplicationDialogs& dialogs, InstallState& state) {
    SelectPort dialog(platform.registry, platform.ui);
    state.selectedPort.clear();
    state.selectedModel.clear();
    const int result = dialogs.RunSelectPortDialog(dialog);
    if (result != dialog_result::kOk) return 0;
    state.Select(dialog.chosenPort(), dialog.chosenModel());
    return 1;
}

bool RunWarrantyOffer(Platform& platform, DialogRunner& dialogs) {
    ExtendProtectAP offer(platform.shell, platform.ui);
    return dialogs.RunWarrantyOfferDialog(offer) == dialog_result::kOk;
}

int RunConnectionHelp(Platform& platform, DialogRunner& dialogs, std::string_view mode,
                      std::string_view guidePath) {
    AviPlayer help(platform.shell, platform.ui);
    help.SetMediaPath(mode == "2" ? kUsbClipPath : kNoClip);
    help.SetGuidePath(guidePath);
    return dialogs.RunConnectionHelpDialog(help) == dialog_result::kOk ? 1 : 0;
}

}  // namespace qar
