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
    if (!CopyMonitorFiles(*systemFolder + "\\qartemp\\", installFolder)) return 0;
    const MonitorInfo2 monitor{std::string(kMonitorName), std::string(kMonitorEnvironment),
                               std::string(kMonitorFile)};
    if (platform_.spooler.AddMonitor2(monitor) != win32_error::kSuccess) return 0;
    WriteUninstallEntry(installFolder);
    return 1;
}

// The staging folder and the monitor that the 64-bit spooler service loads are in the real
// System32, which a 32-bit process on 64-bit Windows sees only with redirection off.
bool PortMonitorCommands::CopyMonitorFiles(const std::string& stagingFolder,
                                           const std::string& installFolder) {
    const Wow64RedirectionOff realSystem32(platform_.files);
    for (std::string_view file : {kMonitorFile, kUninstallerFile}) {
        const std::string from = stagingFolder + std::string(file);
        const std::string to = installFolder + std::string(file);
        if (!FitsSystemPathBuffer(from) || !FitsSystemPathBuffer(to)) return false;
        if (platform_.files.Copy(from, to, false) != win32_error::kSuccess) return false;
    }
    return true;
}

void PortMonitorCommands::WriteUninstallEntry(const std::string& installFolder) {
    auto parent = OpenOrCreateLocalMachineKey(platform_.registry, kUninstallParentKey);
    if (!parent) return;
    auto entry = (*parent)->CreateSubKey(kUninstallEntryKey);
    if (!entry) return;
    (*entry)->SetString("_Cutter USB Monitor", kMonitorDisplayName);
    (*entry)->SetString("UninstallString", installFolder + std::string(kUninstallerFile));
}

std::optional<XcvOutcome> PortMonitorCommands::SendAddPort() {
    auto channel = platform_.spooler.OpenPrinterByName(kMonitorChannel, kServerAccessAdminister);
    if (!channel) return std::nullopt;
    const auto request = AddPortRequest();
    return (*channel)->SendXcvData(u"AddPort", request, kXcvOutputBuffer);
}

int PortMonitorCommands::AddCutterPort() {
    return SendAddPort() ? 1 : 0;
}

Win32Error PortMonitorCommands::RemoveMonitorIfPresent() {
    const Win32Error result = platform_.spooler.RemoveMonitor(kMonitorEnvironment, kMonitorName);
    return result == win32_error::kUnknownMonitor ? win32_error::kSuccess : result;
}

Win32Error PortMonitorCommands::RemovePortIfPresent(WindowRef window) {
    const Win32Error result = platform_.spooler.RemovePort(window, kCutterPort);
    return PortIsGone(platform_.spooler, kCutterPort, result) ? win32_error::kSuccess : result;
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

FlowOutcome PortMonitorCommands::OnInstallUSB(WindowRef owner) {
    platform_.ui.ShowMessageBox(owner, "Please Don't connect USB", "QAR", message_box::kOk);
    RemoveCutterPort(owner);
    RemoveCutterMonitor();
    const int installed = InstallCutterMonitor();
    const std::optional<XcvOutcome> port = SendAddPort();
    const bool portAdded = port && port->returned && port->status == win32_error::kSuccess;
    return installed && portAdded ? FlowOutcome::kDone : FlowOutcome::kFailed;
}

FlowOutcome PortMonitorCommands::OnUninstallUsb(WindowRef owner) {
    platform_.ui.ApplicationMessageBox("Please make sure that USB device isn't connecting now!",
                                       message_box::kOk);
    const Win32Error port = RemovePortIfPresent(owner);
    const Win32Error monitor = RemoveMonitorIfPresent();
    return port == win32_error::kSuccess && monitor == win32_error::kSuccess ? FlowOutcome::kDone
                                                                             : FlowOutcome::kFailed;
}

}  // namespace qar
