// The opt-in command line for unattended runs. Without arguments the program runs as it always
// did; with them, one command runs without the selection dialog.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qar {

enum class Command {
    kNone,
    kManual,
    kUsb,
    kInstallUsb,
    kUninstallUsb,
    kUpdatePort,
    kUninstall,
    kHelp,
};

struct CommandLine {
    Command command = Command::kNone;
    std::string model;  // as given; see ResolveModel
    std::string port;   // as given; see ResolvePort
    bool quiet = false;
    bool addQueue = false;
    std::string logPath;
    std::string error;  // what is wrong with the line; empty when it is good
};

// The arguments after the program's name, already split by the usual Windows rules.
CommandLine ParseCommandLine(std::span<const std::string> arguments);

// The model's listed spelling, matched ignoring case.
std::optional<std::string_view> ResolveModel(std::string_view given);
// The known port the text names, ignoring case; "COM1" also names "COM1:".
std::optional<std::string> ResolvePort(std::string_view given,
                                       const std::vector<std::string>& knownPorts);

// The help box's text: the switches and the exit codes.
std::string UsageText();

}  // namespace qar
