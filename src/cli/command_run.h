// Folder cli: the unattended layer (command line, run, log).
// A run with switches, from the parsed command line to the exit code that deployment tools read.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/dialog_runner.h"
#include "cli/command_line.h"
#include "core/install_state.h"
#include "platform/platform.h"

namespace qar {

// Held by every run, a plain start included, while it may change the system; in a namespace only
// administrators can enter, so that no other account can take it first.
inline constexpr std::string_view kInstanceLockNamespace = "QAR.Modelprobe_u";
inline constexpr std::string_view kInstanceLockName = "Installation";

// Windows Installer's numbers, which deployment tools understand.
namespace exit_code {
inline constexpr int kSuccess = 0;
inline constexpr int kBadCommandLine = 87;
inline constexpr int kNoCutter = 1167;  // no cutter on USB gave a usable answer
inline constexpr int kCancelled = 1602;
inline constexpr int kFailed = 1603;
inline constexpr int kBusy = 1618;
inline constexpr int kLogNotWritable = 1622;
}  // namespace exit_code

// `arguments` are the command line's arguments after the program's name, as parsed into `line`.
// `windows` runs the dialogs of a run that shows them.
int RunCommandLine(Platform& platform, ApplicationDialogs& windows, InstallState& state,
                   const CommandLine& line, const std::vector<std::string>& arguments);

}  // namespace qar
