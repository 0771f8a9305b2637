// How a command ended, for the caller that reports it (the exit code of a run with switches).
#pragma once

namespace qar {

enum class FlowOutcome {
    kDone,       // the change was made, or there was nothing to change
    kDeclined,   // a queue of the name exists and no numbered one was wanted
    kCancelled,  // the user cancelled a dialog
    kFailed,     // the system refused a change
    kNoCutter,   // no cutter answered on USB and the help was closed without Retry
    kNoModel,    // a cutter is on USB, but none gave a usable model name (its box shown)
};

}  // namespace qar
