// Folder discovery: serial ports and USB cutters, asked their model.
// Asks each listed cutter for its model: a bounded 7-byte request, a pause and one bounded read.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/install_state.h"
#include "discovery/usb_interface_table.h"
#include "platform/files.h"
#include "platform/processes.h"

namespace qar {

// ESC . R 4 : CR LF
inline constexpr std::array<std::uint8_t, 7> kIdentifyQuery = {0x1B, 0x2E, 0x52, 0x34,
                                                               0x3A, 0x0D, 0x0A};
inline constexpr std::uint32_t kReplyBuffer = 256;
inline constexpr std::uint32_t kReplyPauseMilliseconds = 50;
// A mute or unplugged device must not hang the program: the write and the read each give up
// after this.
inline constexpr std::uint32_t kReplyBoundMilliseconds = 2000;

// The model field after one reply: the field before the first, second or third comma as
// the reply holds one, two or three and more commas; unchanged without a comma.
std::string ParseIdentifyReply(std::string_view reply, std::string_view currentModel);

// Removes spaces (only 0x20) from the end, then from the start.
std::string TrimSpaces(std::string_view text);

// The spooler's name of USB port `portNumber`: "USB" and three decimal digits.
std::string UsbPortName(std::uint8_t portNumber);

// Visits every slot below the table's count and sets modelName for each device that opened, the
// last one winning. usbPortName is the port of the slot whose reply set that model (or, while no
// reply held a model field, of the first device that opened): a device that cannot be opened, or
// answers without a model field, lends no port to another's model.
void IdentifyUsbDevices(const CUsbIF& table, FileSystem& files, Processes& processes,
                        InstallState& state);

}  // namespace qar
