#include "install/manual_install.h"

#include <string>

#include "install/clash_question.h"
#include "spooler/install_chain.h"
#include "spooler/package_cleanup.h"

namespace qar {

namespace {

// Two shared driver files go where 64-bit processes look for them; failures are harmless
// (a 32-bit Windows has no SysWOW64).
void CopySharedDriverFiles(FileSystem& files) {
    const Wow64RedirectionOff realSystem32(files);
    if (auto windows = files.WindowsDirectory()) {
        files.Copy(*windows + "\\SysWOW64\\KT4.PCD", *windows + "\\System32\\KT4.PCD", false);
        files.Copy(*windows + "\\SysWOW64\\KT4LNG.INI", *windows + "\\System32\\KT4LNG.INI", false);
    }
}

}  // namespace

FlowOutcome RunManualInstallation(Platform& platform, InstallState& state, InstallHost& host) {
    auto driverDirectory = platform.spooler.DriverDirectory(kDriverEnvironment);
    FlowOutcome outcome = FlowOutcome::kCancelled;
    if (host.RunSelectPort()) {
        CopySharedDriverFiles(platform.files);
        outcome = InstallWithClashQuestion(platform, state, host.Owner());
        if (outcome == FlowOutcome::kDone) {
            platform.ui.ShowMessageBox(
                host.Owner(),
                "Your device is connected through the " + state.selectedPort + " port now.",
                kInstallCaption, message_box::kOk);
            host.ShowWarrantyOffer();
        }
    }
    // Without a driver directory there is nothing of ours to remove.
    DeletePackageFiles(platform.files, state.packageFiles, driverDirectory ? *driverDirectory : "");
    return outcome;
}

}  // namespace qar
