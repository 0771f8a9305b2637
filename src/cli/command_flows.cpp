#include "cli/command_flows.h"

#include <algorithm>
#include <array>

#include "discovery/usb_interface_table.h"
#include "install/manual_install.h"
#include "install/usb_install.h"
#include "spooler/model_removal.h"
#include "spooler/port_monitor.h"
#include "spooler/port_update.h"

namespace qar {

namespace {

FlowOutcome Manual(Platform& platform, InstallState& state, CommandHost& host) {
    return RunManualInstallation(platform, state, host);
}

FlowOutcome Usb(Platform& platform, InstallState& state, CommandHost& host) {
    CUsbIF usbTable;
    return RunAutomaticDetection(platform, state, host, usbTable);
}

FlowOutcome InstallUsb(Platform& platform, InstallState&, CommandHost& host) {
    return PortMonitorCommands(platform).OnInstallUSB(host.Owner());
}

FlowOutcome UninstallUsb(Platform& platform, InstallState&, CommandHost& host) {
    return PortMonitorCommands(platform).OnUninstallUsb(host.Owner());
}

FlowOutcome UpdatePort(Platform& platform, InstallState&, CommandHost&) {
    return UpdatePrinterPort(platform.spooler);
}

FlowOutcome Uninstall(Platform& platform, InstallState&, CommandHost& host) {
    return RemoveModel(platform, host.Model());
}

constexpr std::array<CommandFlow, 6> kCommandFlows = {{
    {"", Command::kManual, &Manual},
    {"usb", Command::kUsb, &Usb},
    {"installusb", Command::kInstallUsb, &InstallUsb},
    {"uninstallusb", Command::kUninstallUsb, &UninstallUsb},
    {"updateport", Command::kUpdatePort, &UpdatePort},
    {"uninstall", Command::kUninstall, &Uninstall, false},
}};

}  // namespace

std::span<const CommandFlow> CommandFlows() {
    return kCommandFlows;
}

const CommandFlow* FlowOf(Command command) {
    const auto found =
        std::find_if(kCommandFlows.begin(), kCommandFlows.end(),
                     [&](const CommandFlow& flow) { return flow.command == command; });
    return found == kCommandFlows.end() ? nullptr : &*found;
}

}  // namespace qar
