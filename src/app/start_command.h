// What the main dialog runs when it opens: the manual installation with its selection (a plain
// start), or one command chosen beforehand (by the command line, which lives above this layer).
#pragma once

#include <string>

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

// Instead of the manual installation with its selection: one command; for the manual
// installation, with the model and port given.
struct StartCommand {
    Command command = Command::kNone;
    std::string model;  // the listed spelling
    std::string port;
    bool quiet = false;  // a /quiet run: no one is there to act on the detector's verdict
};

}  // namespace qar
