// The log of a run with switches, opened the way an elevated run must open a file that a standard
// user may have prepared the ground for.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/user_interface.h"

namespace qar {

// SYSTEM and the administrators may change a log folder this program makes; other users may read.
// Protected: nothing is inherited from the parent (under ProgramData users may add files).
inline constexpr std::string_view kLogFolderSecurity =
    "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";

struct RunLog {
    std::unique_ptr<LogFile> file;  // null when refused
    std::string refusal;            // why, as a sentence that ends the box's text
};

// Never writes through a link (on the file or on any folder on its way), to a file with a second
// name (a hard link) or to anything but a plain file; folders that do not exist are made, with
// kLogFolderSecurity.
RunLog OpenRunLog(FileSystem& files, UserInterface& messages, std::string_view path);

}  // namespace qar
