#include "cli/command_host.h"

#include "app/flow_dialogs.h"

namespace qar {

CommandHost::CommandHost(Platform& platform, DialogRunner& dialogs, InstallState& state,
                         Selection selection, bool unattended)
    : platform_(platform),
      dialogs_(dialogs),
      state_(state),
      selection_(std::move(selection)),
      unattended_(unattended) {
    state_.packageFiles.RemoveAll();
    state_.ResetSelection();
    state_.packageFiles.AppendPackageNames();
}

int CommandHost::RunSelectPort() {
    state_.Select(selection_.port, selection_.model);
    return 1;
}

void CommandHost::ShowWarrantyOffer() {
    RunWarrantyOffer(platform_, dialogs_);
}

int CommandHost::ShowConnectionHelp(std::string_view mode, std::string_view guidePath) {
    return RunConnectionHelp(platform_, dialogs_, mode, guidePath);
}

}  // namespace qar
