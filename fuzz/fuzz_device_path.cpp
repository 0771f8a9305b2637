// Device paths as the platform lists them: the vendor test, the slot that holds a path whole
// and the composed open name.
#include <cstring>

#include "discovery/usb_interface_table.h"
#include "fakes/fake_platform.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qar;
    fuzz::Input input(data, size);
    fake::FakePlatform fakes;
    fakes.deviceSetup.expectedClass = kUsbPrintInterfaceClass;
    const int interfaces = input.Byte() % 40;
    for (int index = 0; index < interfaces && !input.Empty(); ++index) {
        std::string path = input.Text();
        if (input.Byte() & 1) path = "\\\\?\\usb#vid_1a7e" + path;
        std::optional<std::uint32_t> port;
        if (input.Byte() & 1) port = input.Byte();
        fakes.deviceSetup.interfaces.push_back({path, port});
    }
    CUsbIF table;
    const int count = table.EnumerateUsbPrinters(fakes.deviceSetup);
    FUZZ_CHECK(count >= 0 && count <= CUsbIF::kSlots && count == table.deviceCount());
    for (int slot = 0; slot < count; ++slot) {
        const std::string_view path = table.devicePath(slot);
        FUZZ_CHECK(path.size() <= CUsbIF::kLongestPath);
        FUZZ_CHECK(CUsbIF::PassesVendorTest(path));
        FUZZ_CHECK(table.vendorId(slot) == kMakerVendorId);
        const std::string suffix = input.Text();
        (void)table.OpenUsbDevice(fakes.files, slot, suffix);
    }
    for (const std::string& call : fakes.control.CallsNamed("CreateFile")) {
        FUZZ_CHECK(call.size() <= std::strlen("CreateFile()") + 255);
    }
    FUZZ_CHECK(fakes.control.OpenHandles() == 0);
    return 0;
}
