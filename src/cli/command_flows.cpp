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

constexpr std::array<CommandFlow, 6> kCommandFlows = {{
    {"", Command::kManual,
     [](Platform& platform, InstallState& state, CommandHost& host) {
         return RunManualInstallation(platform, state, host);
     }},
    {"usb", Command::kUsb,
     [](Platform& platform, InstallState& state, CommandHost& host) {
         CUsbIF usbTable;
         return RunAutomaticDetection(platform, state, host, usbTable);
     }},
    {"installusb", Command::kInstallUsb,
     [](Platform& platform, InstallState&, CommandHost& host) {
         return PortMonitorCommands(platform).OnInstallUSB(host.Owner());
     }},
    {"uninstallusb", Command::kUninstallUsb,
     [](Platform& platform, InstallState&, CommandHost& host) {
         return PortMonitorCommands(platform).OnUninstallUsb(host.Owner());
     }},
    {"updateport", Command::kUpdatePort,
     [](Platform& platform, InstallState&, CommandHost&) {
         return UpdatePrinterPort(platform.spooler);
     }},
    {"uninstall", Command::kUninstall,
     [](Platform& platform, InstallState&, CommandHost& host) {
         return RemoveModel(platform, host.Model());
     },
     false},
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
