// The command line's commands: each switch and the flow it runs, in one table.
#pragma once

#include <span>
#include <string_view>

#include "cli/command_host.h"
#include "cli/command_line.h"
#include "core/flow_outcome.h"

namespace qar {

struct CommandFlow {
    std::string_view name;  // the switch without its "/"; empty for what /model and /port imply
    Command command;
    FlowOutcome (*run)(Platform& platform, InstallState& state, CommandHost& host);
    // An installation command: its dialogs and boxes have the run's window as owner, and the
    // package leaves the driver directory afterwards. The removal shows its boxes unowned and
    // keeps the package for the installation that may follow.
    bool installs = true;
};

std::span<const CommandFlow> CommandFlows();

// The row of `command`; null for help and none, which run no flow.
const CommandFlow* FlowOf(Command command);

}  // namespace qar
