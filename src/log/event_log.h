// Folder log: the run's log, opened safely, and its events.
// The log of a run with switches: one line per event, to the file /log names, or nowhere.
#pragma once

#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/result.h"
#include "platform/user_interface.h"

namespace qar {

class EventLog {
  public:
    // `file` may be null: every event then goes nowhere. `messages` gives the system's texts;
    // each line is stamped with the clock's local time.
    EventLog(LogFile* file, UserInterface& messages, Clock& clock)
        : file_(file), messages_(messages), clock_(clock) {}

    void Record(std::string_view event);
    // "<what> failed: error <code>: <the system's text>"
    void RecordFailure(std::string_view what, Win32Error code);
    // `done` when `result` is success, else the failure of `attempt`.
    void RecordResult(Win32Error result, std::string_view done, std::string_view attempt);
    // The result as it came, a failure recorded as that of `what`.
    template <typename T>
    Result<T> Noted(Result<T> result, std::string_view what) {
        if (!result) RecordFailure(what, result.error());
        return result;
    }

  private:
    LogFile* file_;
    UserInterface& messages_;
    Clock& clock_;
};

// A text on one line: line breaks become " / ", trailing blanks and breaks go.
std::string OneLine(std::string_view text);

// "error <code>: <the system's text>", on one line.
std::string ErrorText(UserInterface& messages, Win32Error code);

}  // namespace qar
