// Folder spooler: the work done on the print spooler.
// Registers the driver, prepares its key and creates the queue: the steps of an installation.
#pragma once

#include <string_view>

#include "core/install_state.h"
#include "platform/platform.h"

namespace qar {

inline constexpr std::string_view kDriverEnvironment = "Windows x64";
inline constexpr std::string_view kDriverKeyPrefix =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-3";
inline constexpr std::string_view kMonitorPortKey =
    "SYSTEM\\ControlSet001\\Control\\Print\\Monitors\\QAR USB Port\\Ports\\USB01:";

class InstallSteps {
  public:
    InstallSteps(Platform& platform, InstallState& state) : platform_(platform), state_(state) {}

    // Each returns 1 for success and 0 for failure; refusals are shown by the step itself.
    int AddDriverStep();
    int DriverKeyStep();
    int AddPrinterStep();

    // The three steps in order, stopping at the first failure.
    int InstallChain();

  private:
    void ShowError(Win32Error code);

    Platform& platform_;
    InstallState& state_;
};

}  // namespace qar
