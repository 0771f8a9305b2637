// The identification reply path: whatever a device answers, parsing, trimming, the name check
// and the install chain behind them hold.

#include "discovery/identify.h"
#include "fakes/fake_platform.h"
#include "fuzz_input.h"
#include "spooler/install_chain.h"
#include "spooler/model_name.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qar;
    fuzz::Input input(data, size);
    fake::FakePlatform fakes;
    fakes.deviceSetup.expectedClass = kUsbPrintInterfaceClass;
    const int devices = 1 + input.Byte() % 3;
    for (int index = 0; index < devices; ++index) {
        const std::string path = "\\\\?\\usb#vid_1a7e&pid_0001#s" + std::to_string(index) + "#{g}";
        fakes.deviceSetup.interfaces.push_back({path, input.Byte()});
        fakes.files.devices[path + "\\"].reply =
            index + 1 == devices ? input.Rest() : input.Piece();
    }
    CUsbIF table;
    InstallState state;
    table.EnumerateUsbPrinters(fakes.deviceSetup);
    IdentifyUsbDevices(table, fakes.files, fakes.processes, state);

    FUZZ_CHECK(state.modelName.size() <= kReplyBuffer);
    FUZZ_CHECK(state.modelName.empty() ||
               (state.modelName.front() != ' ' && state.modelName.back() != ' '));
    // The driver's files and the reported model's INI are there: only the name can refuse it.
    fakes.files.StageDriverFiles(fakes.spooler.driverDirectory);
    fakes.files.files[fakes.spooler.driverDirectory + "\\" + state.modelName + ".INI"] = "";
    InstallSteps steps(fakes.platform, state);
    const int installed = steps.InstallChain();
    if (!IsAcceptableModelName(fakes.files, state.modelName)) {
        FUZZ_CHECK(installed == 0);
        FUZZ_CHECK(fakes.control.CountCalls("AddPrinterDriver") == 0);
    }
    for (const DriverInfo3& driver : fakes.spooler.drivers)
        FUZZ_CHECK(driver.dataFile.size() < 260);
    FUZZ_CHECK(fakes.control.OpenHandles() == 0);
    return 0;
}
