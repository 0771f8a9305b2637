// Hands the question "is a cutter there at all?" to the external detector and reads its verdict.
#pragma once

#include <string>
#include <string_view>

#include "platform/processes.h"
#include "platform/profile.h"

namespace qar {

// The folder of the detector, its verdict, the clip and the guide, always written out in full. It
// is the driver directory only where Windows is installed in C:\WINDOWS; elsewhere any user may
// have made it.
inline constexpr std::string_view kSupportFolder = "C:\\WINDOWS\\system32\\spool\\drivers\\x64";
inline constexpr std::string_view kDetectorPath =
    "C:\\WINDOWS\\system32\\spool\\drivers\\x64\\UsbDetect_64.exe";
inline constexpr std::string_view kDetectorResultPath =
    "C:\\WINDOWS\\system32\\spool\\drivers\\x64\\~QarUDev.dat";
inline constexpr std::string_view kNoVerdict = "N/A";

// Starts the detector at high priority and waits for it without a time limit; always 1.
int RunUsbDetector(Processes& processes);

// The "mode" of section "UDevice" in the result file, or "N/A".
std::string ReadDetectorVerdict(Profile& profile);

}  // namespace qar
