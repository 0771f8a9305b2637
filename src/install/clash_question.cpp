#include "install/clash_question.h"

#include <string>

#include "core/install_host.h"
#include "spooler/install_chain.h"

namespace qar {

namespace {

bool ClashHappened(const InstallState& state) {
    return state.printerName != state.modelName && state.clashCounter != 1;
}

// Reruns the chain while each pass ends in a name clash; any other failure has already been
// shown by its step and ends the retries, so a lasting fault cannot raise endless boxes.
bool RetryUntilInstalled(InstallSteps& steps, const InstallState& state) {
    for (;;) {
        const std::int32_t clashesBefore = state.clashCounter;
        if (steps.InstallChain()) return true;
        if (state.clashCounter == clashesBefore) return false;
    }
}

}  // namespace

FlowOutcome InstallWithClashQuestion(Platform& platform, InstallState& state, WindowRef owner) {
    InstallSteps steps(platform, state);
    if (steps.InstallChain()) {
        platform.ui.ShowMessageBox(owner, "Add " + state.modelName + " Printer driver Successfully",
                                   kInstallCaption, message_box::kOk);
        return FlowOutcome::kDone;
    }
    if (!ClashHappened(state)) return FlowOutcome::kFailed;
    const int answer = platform.ui.ShowMessageBox(
        owner, "The " + state.modelName + " driver installed \n  Do you want add attachment",
        kInstallCaption, message_box::kYesNo | message_box::kIconExclamation);
    if (answer != dialog_result::kYes) return FlowOutcome::kDeclined;
    if (!RetryUntilInstalled(steps, state)) return FlowOutcome::kFailed;
    platform.ui.ShowMessageBox(owner, "Add " + state.printerName + " Printer driver Successfully",
                               kInstallCaption, message_box::kIconInformation);
    return FlowOutcome::kDone;
}

}  // namespace qar
