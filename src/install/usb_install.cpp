#include "install/usb_install.h"

#include "discovery/identify.h"
#include "discovery/usb_detector.h"
#include "install/clash_question.h"
#include "spooler/install_chain.h"
#include "spooler/model_name.h"
#include "spooler/package_cleanup.h"

namespace qar {

FlowOutcome RunAutomaticDetection(Platform& platform, InstallState& state, InstallHost& host,
                                  CUsbIF& table) {
    // Each Retry runs the whole command again; a loop keeps the stack flat however often.
    for (;;) {
        auto driverDirectory = platform.spooler.DriverDirectory(kDriverEnvironment);
        state.usbDeviceCount = table.EnumerateUsbPrinters(platform.deviceSetup);
        IdentifyUsbDevices(table, platform.files, platform.processes, state);
        if (state.usbDeviceCount != 0) {
            const FlowOutcome outcome = InstallWithClashQuestion(platform, state, host.Owner());
            if (outcome == FlowOutcome::kDone) host.ShowWarrantyOffer();
            // Mute or garbled: the chain's first step refused the name (its box shown), so no
            // cutter gave a usable answer.
            if (outcome == FlowOutcome::kFailed && !IsAcceptableModelName(state.modelName)) {
                return FlowOutcome::kNoModel;
            }
            return outcome;
        }
        if (!host.Unattended()) {
            RunUsbDetector(platform.processes);
            if (host.ShowConnectionHelp(ReadDetectorVerdict(platform.profile))) continue;
        }
        DeletePackageFiles(platform.files, state.packageFiles,
                           driverDirectory ? *driverDirectory : "");
        return FlowOutcome::kNoCutter;
    }
}

}  // namespace qar
