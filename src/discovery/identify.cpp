#include "discovery/identify.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace qar {

namespace {

std::string ReplyText(const std::vector<std::uint8_t>& bytes) {
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return std::string(bytes.begin(), end);
}

// One exchange with the device in slot `index`; nothing when it cannot be opened. The
// device is closed when the exchange is over.
std::optional<std::string> AskForModel(const CUsbIF& table, int index, FileSystem& files,
                                       Processes& processes) {
    auto device = table.OpenUsbDevice(files, index, std::string_view{});
    if (!device) return std::nullopt;
    // A request the device did not take within the bound gets no reply; any other failing
    // write is let pass, and the read tells.
    const auto sent = (*device)->Write(kIdentifyQuery, kReplyBoundMilliseconds);
    if (!sent && sent.error() == win32_error::kOperationAborted) return std::string();
    processes.Sleep(kReplyPauseMilliseconds);
    auto reply = (*device)->Read(kReplyBuffer, kReplyBoundMilliseconds);
    return reply ? ReplyText(*reply) : std::string();
}

}  // namespace

std::string ParseIdentifyReply(std::string_view reply, std::string_view currentModel) {
    std::string model(currentModel);
    std::string_view rest = reply;
    for (int fieldsTaken = 0; fieldsTaken < 3; ++fieldsTaken) {
        const auto comma = rest.find(',');
        if (comma == std::string_view::npos) break;
        model.assign(rest.substr(0, comma));
        rest.remove_prefix(comma + 1);
    }
    return model;
}

std::string TrimSpaces(std::string_view text) {
    const auto last = text.find_last_not_of(' ');
    if (last == std::string_view::npos) return {};
    text = text.substr(0, last + 1);
    return std::string(text.substr(text.find_first_not_of(' ')));
}

std::string UsbPortName(std::uint8_t portNumber) {
    char name[8] = {};
    std::snprintf(name, sizeof(name), "USB%03u", static_cast<unsigned>(portNumber));
    return name;
}

void IdentifyUsbDevices(const CUsbIF& table, FileSystem& files, Processes& processes,
                        InstallState& state) {
    std::string model;
    bool answered = false;
    for (int index = 0; index < table.deviceCount(); ++index) {
        const std::optional<std::string> reply = AskForModel(table, index, files, processes);
        if (!reply) continue;
        // Without a comma the reply leaves the model field as it was, and its port with it.
        if (!answered || reply->find(',') != std::string::npos) {
            state.usbPortName = UsbPortName(table.portNumber(index));
        }
        answered = true;
        model = TrimSpaces(ParseIdentifyReply(*reply, model));
        state.modelName = model;
    }
}

}  // namespace qar
