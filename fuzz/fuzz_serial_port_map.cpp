// The serial-port map: random value names, data, lengths and counts.

#include "discovery/serial_ports.h"
#include "fakes/fake_platform.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qar;
    fuzz::Input input(data, size);
    fake::FakePlatform fakes;
    const int values = input.Byte() % 12;
    fakes.registry.AddKey(kSerialPortMapKey);
    for (int index = 0; index < values && !input.Empty(); ++index) {
        std::string name = input.Text();
        if (input.Byte() & 1) name.append(static_cast<std::size_t>(input.Byte()) * 2, 'n');
        std::vector<std::uint8_t> value = input.Piece();
        fakes.registry.SetValue(kSerialPortMapKey, name + std::to_string(index), fake::kRegSz,
                                std::move(value));
    }
    std::vector<std::string> ports;
    const int result = ListLocalPorts(fakes.registry, fakes.ui, 0, ports);
    FUZZ_CHECK(result == 0 || result == 1);
    FUZZ_CHECK(fakes.ui.messageBoxes.size() <= 1);
    FUZZ_CHECK(result == 0 || !ports.empty());
    for (const std::string& port : ports) {
        FUZZ_CHECK(!port.empty() && port.back() == ':');
        FUZZ_CHECK(port.size() <= 101);  // at most 100 bytes of data and the colon
        FUZZ_CHECK(port.find('\0') == std::string::npos);
    }
    FUZZ_CHECK(fakes.control.OpenHandles() == 0);
    return 0;
}
