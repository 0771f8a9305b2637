#include "install/usb_install.h"

#include "dialogs/avi_player.h"
#include "discovery/identify.h"
#include "discovery/usb_detector.h"
#include "install/clash_question.h"
#include "platform/ignoring_case.h"
#include "spooler/install_chain.h"
#include "spooler/model_name.h"
#include "spooler/package_cleanup.h"

namespace qar {

namespace {

// The support folder's text against the spooler's own answer: a comparison of names, not of what
// a name leads to now, which whoever made the folder could re-point before the detector starts.
bool SupportFolderIsTheDriverDirectory(const Result<std::string>& driverDirectory) {
    return driverDirectory && EqualIgnoringCase(*driverDirectory, kSupportFolder);
}

// Where the support folder is someone else's, the detector is not started and neither its
// verdict nor the clip is used: the connection help shows its instructions, and the guide is
// the one in the real driver directory.
int ShowConnectionHelp(Platform& platform, InstallHost& host,
                       const Result<std::string>& driverDirectory) {
    if (SupportFolderIsTheDriverDirectory(driverDirectory)) {
        RunUsbDetector(platform.processes);
        return host.ShowConnectionHelp(ReadDetectorVerdict(platform.profile), kUsbModeHelpPath);
    }
    const std::string guide = driverDirectory
                                  ? *driverDirectory + "\\" + std::string(kUsbModeHelpFile)
                                  : std::string(kUsbModeHelpPath);
    return host.ShowConnectionHelp(kNoVerdict, guide);
}

}  // namespace

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
            if (outcome == FlowOutcome::kFailed &&
                !IsAcceptableModelName(platform.files, state.modelName)) {
                return FlowOutcome::kNoModel;
            }
            return outcome;
        }
        if (!host.Unattended() && ShowConnectionHelp(platform, host, driverDirectory)) continue;
        DeletePackageFiles(platform.files, state.packageFiles,
                           driverDirectory ? *driverDirectory : "");
        return FlowOutcome::kNoCutter;
    }
}

}  // namespace qar
