#include "discovery/serial_ports.h"

#include <algorithm>

namespace qar {

namespace {

constexpr std::uint32_t kNameBuffer = 256;
constexpr std::uint32_t kDataBuffer = 100;
constexpr std::string_view kCaption = "Error";
constexpr std::string_view kNoPortMessage = "Error-  /nGet RegEnumValue No Message";

// The data as text: up to the first zero byte, or all of it when there is none.
std::string DataText(const std::vector<std::uint8_t>& data) {
    const auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
    return std::string(data.begin(), end);
}

// The key's own figure plus one for the terminator, never beyond the buffer.
std::uint32_t CappedCapacity(std::uint32_t longest, std::uint32_t buffer) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{longest} + 1, buffer));
}

bool NamesAPort(const std::string& text) {
    return !text.empty() && static_cast<std::uint8_t>(text.front()) != 0x01;
}

}  // namespace

int ListLocalPorts(Registry& registry, UserInterface& ui, WindowRef owner,
                   std::vector<std::string>& portList) {
    auto key = registry.OpenLocalMachineKey(kSerialPortMapKey, RegistryAccess::kRead);
    if (!key) {
        portList.push_back("COM1:");
        portList.push_back("COM2:");
        return 1;
    }
    auto figures = (*key)->QueryInfo();
    if (!figures) {
        ui.ShowMessageBox(owner, "Get RegQueryInfoKey Error", kCaption, message_box::kOk);
        return 0;
    }
    int appended = 0;
    for (std::uint32_t index = 0; index < figures->valueCount; ++index) {
        const std::uint32_t nameCapacity = CappedCapacity(figures->longestValueName, kNameBuffer);
        const std::uint32_t dataCapacity = CappedCapacity(figures->longestValueData, kDataBuffer);
        auto value = (*key)->EnumValue(index, nameCapacity, dataCapacity);
        if (!value) {
            ui.ShowMessageBox(owner, "Get RegEnumValue Error", kCaption, message_box::kOk);
            return 0;
        }
        const std::string text = DataText(value->data);
        if (!NamesAPort(text)) continue;
        portList.push_back(text + ":");
        ++appended;
    }
    if (appended == 0) {
        ui.ShowMessageBox(owner, kNoPortMessage, kCaption, message_box::kOk);
        return 0;
    }
    return 1;
}

}  // namespace qar
