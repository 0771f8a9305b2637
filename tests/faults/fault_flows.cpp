#include "fault_flows.h"

#include "app/main_dialog.h"
#include "discovery/usb_detector.h"
#include "discovery/usb_interface_table.h"

namespace qar::faults {

namespace {

constexpr const char* kCutterPath = "\\\\?\\usb#vid_1a7e&pid_0001#serial1#{28d78fad}";

void StagePackage(fake::FakePlatform& fakes) {
    for (std::string_view name : kPackageFileNames) {
        fakes.files.files[std::string(kDriverDirectory) + "\\" + std::string(name)] = "package";
    }
    for (const char* name : {"KT4_cx64.dll", "KT4_cx64UI.dll", "QARUI.HLP", "user file.txt"}) {
        fakes.files.files[std::string(kDriverDirectory) + "\\" + name] = "not ours to delete";
    }
    fakes.files.files["C:\\windows\\SysWOW64\\KT4.PCD"] = "pcd";
    fakes.files.files["C:\\windows\\SysWOW64\\KT4LNG.INI"] = "lng";
    fakes.files.files["C:\\windows\\system32\\qartemp\\qarum1Nt.dll"] = "monitor";
    fakes.files.files["C:\\windows\\system32\\qartemp\\uninstallMn.exe"] = "uninstaller";
    fakes.registry.SetStringValue("HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\Device\\Serial0", "COM1");
    fakes.deviceSetup.expectedClass = kUsbPrintInterfaceClass;
}

void PlugCutter(fake::FakePlatform& fakes) {
    fakes.deviceSetup.interfaces.push_back({kCutterPath, 1});
    const std::string reply = "QAR,1, Tolvar-60 ,";
    fakes.files.devices[std::string(kCutterPath) + "\\"].reply.assign(reply.begin(), reply.end());
}

// A main dialog whose start was cancelled runs one command, as a click would while it is open.
void RunCommand(fake::FakePlatform& fakes, InstallState& state, const Arm& arm,
                std::uint32_t command) {
    auto selection = std::move(fakes.ui.selectPortScript);
    fakes.ui.selectPortScript = [](fake::FakeSelectPortWindow&, SelectPortHandler&) {};
    CModelprobe_uDlg dialog(fakes.platform, fakes.ui, state);
    dialog.OnInitDialog(fakes.ui.mainWindow);
    fakes.ui.selectPortScript = std::move(selection);
    StagePackage(fakes);  // the cancelled start removed the package
    arm();
    dialog.OnCommand(command);
}

}  // namespace

std::vector<Flow> AllFlows() {
    return {
        {"manual install",
         [](fake::FakePlatform& fakes) {
             StagePackage(fakes);
             fakes.ui.selectPortScript = [](fake::FakeSelectPortWindow& window,
                                            SelectPortHandler& handler) {
                 window.ChooseModel("Tolvar-60");
                 handler.OnInstall();
             };
         },
         [](fake::FakePlatform& fakes, InstallState& state, const Arm& arm) {
             CModelprobe_uDlg dialog(fakes.platform, fakes.ui, state);
             arm();
             dialog.OnInitDialog(fakes.ui.mainWindow);
         }},
        {"automatic detection, cutter present",
         [](fake::FakePlatform& fakes) {
             StagePackage(fakes);
             PlugCutter(fakes);
         },
         [](fake::FakePlatform& fakes, InstallState& state, const Arm& arm) {
             RunCommand(fakes, state, arm, 1000);
         }},
        {"automatic detection, no cutter",
         [](fake::FakePlatform& fakes) {
             StagePackage(fakes);
             fakes.processes.programs[std::string(kDetectorPath)] = [&fakes] {
                 fakes.files.files[std::string(kDetectorResultPath)] = "[UDevice]\nmode=2\n";
             };
         },
         [](fake::FakePlatform& fakes, InstallState& state, const Arm& arm) {
             RunCommand(fakes, state, arm, 1000);
         }},
        {"InstallUSB", [](fake::FakePlatform& fakes) { StagePackage(fakes); },
         [](fake::FakePlatform& fakes, InstallState& state, const Arm& arm) {
             RunCommand(fakes, state, arm, 1002);
         }},
        {"UninstallUsb",
         [](fake::FakePlatform& fakes) {
             StagePackage(fakes);
             fakes.spooler.monitors.push_back({"_cutter USB Port", "Windows x64", "qarum1Nt.dll"});
             fakes.spooler.monitorPorts["_cutter USB Port"] = {"_cutterUSB0:"};
         },
         [](fake::FakePlatform& fakes, InstallState& state, const Arm& arm) {
             RunCommand(fakes, state, arm, 1003);
         }},
        {"UpdatePort",
         [](fake::FakePlatform& fakes) {
             StagePackage(fakes);
             fakes.spooler.printers.push_back(
                 {"Office", "COM1:", "Office", "WinPrint", "RAW", "", ""});
             fakes.spooler.printers.push_back(
                 {"aaTZ-60", "LPT1:", "Tolvar-60", "WinPrint", "RAW", "", ""});
         },
         [](fake::FakePlatform& fakes, InstallState& state, const Arm& arm) {
             RunCommand(fakes, state, arm, 1001);
         }},
    };
}

}  // namespace qar::faults
