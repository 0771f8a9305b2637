#include "discovery/usb_detector.h"

namespace qar {

namespace {

constexpr std::uint32_t kVerdictBuffer = 255;

}  // namespace

int RunUsbDetector(Processes& processes) {
    if (auto detector = processes.Start(kDetectorPath, true)) (*detector)->WaitForExit();
    return 1;
}

std::string ReadDetectorVerdict(Profile& profile) {
    return profile.ReadString("UDevice", "mode", kNoVerdict, kDetectorResultPath, kVerdictBuffer);
}

}  // namespace qar
