// The cutter USB port monitor and its port: installed from the staging folder, removed again.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/flow_outcome.h"
#include "platform/platform.h"
#include "spooler/install_chain.h"

namespace qar {

inline constexpr std::string_view kMonitorName = "_cutter USB Port";
// A spooler adds only monitors of its own architecture, whatever the caller's: on 64-bit
// Windows that is the driver's environment.
inline constexpr std::string_view kMonitorEnvironment = kDriverEnvironment;
inline constexpr std::string_view kMonitorFile = "qarum1Nt.dll";
inline constexpr std::string_view kMonitorDisplayName = "_cutter USB Port Monitor";
inline constexpr std::string_view kUninstallerFile = "uninstallMn.exe";
inline constexpr std::string_view kCutterPort = "_cutterUSB0:";
inline constexpr std::string_view kMonitorChannel = ",XcvMonitor _cutter USB Port";
inline constexpr std::string_view kUninstallParentKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr std::string_view kUninstallEntryKey = "_cutter USB Portt Monitor";
inline constexpr std::uint32_t kMonitorEnumerationBuffer = 4096;

// The port name in UTF-16 little-endian with its terminator: the monitor's "AddPort" input.
std::array<std::uint8_t, 26> AddPortRequest();

class PortMonitorCommands {
  public:
    explicit PortMonitorCommands(Platform& platform) : platform_(platform) {}

    // Each returns 1 for success, 0 for failure, and shows nothing.
    int InstallCutterMonitor();
    int AddCutterPort();
    int RemoveCutterMonitor();
    int RemoveCutterPort(WindowRef window);

    // The command handlers: a warning box, then the steps whatever each returns. A monitor or
    // port that is not there to remove is no failure.
    FlowOutcome OnInstallUSB(WindowRef owner);
    FlowOutcome OnUninstallUsb(WindowRef owner);

  private:
    bool CopyMonitorFiles(const std::string& stagingFolder, const std::string& installFolder);
    void WriteUninstallEntry(const std::string& installFolder);
    // The monitor's answer to "AddPort"; nothing when its channel does not open.
    std::optional<XcvOutcome> SendAddPort();
    Win32Error RemovePortIfPresent(WindowRef window);
    Win32Error RemoveMonitorIfPresent();

    Platform& platform_;
};

}  // namespace qar
