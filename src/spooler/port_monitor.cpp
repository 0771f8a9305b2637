#include "spooler/port_monitor.h"

#include <algorithm>
#include <string>

namespace qar {

namespace {

// The system folder and the monitor file paths are held in 256-byte buffers.
constexpr std::size_t kSystemPathBuffer = 256;
constexpr std::uint32_t kXcvOutputBuffer = 260;

bool FitsSystemPathBuffer(const std::string& path) {
    return path.size() < kSystemPathBuffer;
}

}  // namespace

std::array<std::uint8_t, 26> AddPortRequest() {
    std::array<std::uint8_t, 26> request{};
    for (std::size_t index = 0; index < kCutterPort.size(); ++index) {
        request[2 * index] = static_cast<std::uint8_t>(kCutterPort[index]);
    }
    return request;
}

int PortMonitorCommands::InstallCutterMonitor() {
    auto monitors = platform_.spooler.EnumMonitorNames(kMonitorEnumerationBuffer);
    if (!monitors) return 0;
    if (std::find(monitors->begin(), monitors->end(), kMonitorName) != monitors->end()) return 0;
    auto systemFolder = platform_.files.SystemDirectory();
    if (!systemFolder) return 0;
    const std::string installFolder = *systemFolder + "\\";
    const std::string stagingFolder = *systemFolder + "\\qartemp\\";
    for (std::string_view file : {kMonitorFile, kUninstallerFile}) {
        const std::string from = stagingFolder + std::string(file);
        const std::string to = installFolder + std::string(file);
        if (!FitsSystemPathBuffer(from) || !FitsSystemPathBuffer(to)) return 0;
        if (platform_.files.Copy(from, to, false) != win32_error::kSuccess) return 0;
    }
    const MonitorInfo2 monitor{std::string(kMonitorName), std::string(kMonitorEnvironment),
                               std::string(kMonitorFile)};
    if (platform_.spooler.AddMonitor2(monitor) != win32_error::kSuccess) return 0;
    WriteUninstallEntry(installFolder);
    return 1;
}

void PortMonitorCommands::WriteUninstallEntry(const std::string& installFolder) {
    auto parent = OpenOrCreateLocalMachineKey(platform_.registry, kUninstallParentKey);
    if (!parent) return;
    auto entry = (*parent)->CreateSubKey(kUninstallEntryKey);
    if (!entry) return;
    (*entry)->SetString("_Cutter USB Monitor", kMonitorDisplayName);
    (*entry)->SetString("UninstallString", installFolder + std::string(kUninstallerFile));
}

int PortMonitorCommands::AddCutterPort() {
    auto channel = platform_.spooler.OpenPrinterByName(kMonitorChannel, kServerAccessAdminister);
    if (!channel) return 0;
    const auto request = AddPortRequest();
    (void)(*channel)->SendXcvData(u"AddPort", request, kXcvOutputBuffer);
    return 1;
}

int PortMonitorCommands::RemoveCutterMonitor() {
    return platform_.spooler.RemoveMonitor(kMonitorEnvironment, kMonitorName) ==
                   win32_error::kSuccess
               ? 1
               : 0;
}

int PortMonitorCommands::RemoveCutterPort(WindowRef window) {
    return platform_.spooler.RemovePort(window, kCutterPort) == win32_error::kSuccess ? 1 : 0;
}

void PortMonitorCommands::OnInstallUSB(WindowRef owner) {
    platform_.ui.ShowMessageBox(owner, "Please Don't connect USB", "QAR", message_box::kOk);
    RemoveCutterPort(owner);
    RemoveCutterMonitor();
    InstallCutterMonitor();
    AddCutterPort();
}

void PortMonitorCommands::OnUninstallUsb(WindowRef owner) {
    platform_.ui.ApplicationMessageBox("Please make sure that USB device isn't connecting now!",
                                       message_box::kOk);
    RemoveCutterPort(owner);
    RemoveCutterMonitor();
}

}  // namespace qar
