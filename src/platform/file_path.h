// Plain Windows file paths taken apart without asking the system.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace qar {

// The folders that a full path to a file passes through below its root (a drive "C:\" or a share
// "\\server\share\"), outermost first, each as a full path. Nothing for any other path: a relative
// one, a device or "\\?\" path, a stream name after a colon, an empty, "." or ".." step, a step
// that Windows reads as something else (see ReinterpretedStep), or a path that ends in a folder.
std::optional<std::vector<std::string>> FoldersOnPath(const FileSystem& files,
                                                      std::string_view path);

// The first step below the root that Windows would not take as it is written: one that ends in a
// blank or a dot (dropped from a path's last step, kept in a middle one, so one text can name two
// folders), or a device name. Nothing when every step means what it says.
std::optional<std::string> ReinterpretedStep(const FileSystem& files, std::string_view path);

// CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, CONIN$ or CONOUT$, in any case, alone or before an
// extension ("nul.txt", "COM1 .log"): Windows opens the device, whatever the folder. Windows
// takes the superscripts ¹, ² and ³ as digits of COM and LPT too; the name is an ANSI text, read
// as `files` reads it.
bool IsDeviceName(const FileSystem& files, std::string_view name);

// The text in double quotes, as messages, the log and command lines show a path or a value.
std::string Quoted(std::string_view text);

}  // namespace qar
