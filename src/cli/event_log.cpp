#include "cli/event_log.h"

namespace qar {

void EventLog::Record(std::string_view event) {
    if (file_) file_->Append(event);
}

void EventLog::RecordFailure(std::string_view what, Win32Error code) {
    if (!file_) return;
    Record(std::string(what) + " failed: " + ErrorText(messages_, code));
}

void EventLog::RecordResult(Win32Error result, std::string_view done, std::string_view attempt) {
    if (result == win32_error::kSuccess) {
        Record(done);
    } else {
        RecordFailure(attempt, result);
    }
}

std::string ErrorText(UserInterface& messages, Win32Error code) {
    return "error " + std::to_string(code) + ": " + OneLine(messages.SystemMessageText(code));
}

std::string OneLine(std::string_view text) {
    std::string line;
    bool pendingBreak = false;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            pendingBreak = true;
            continue;
        }
        if (pendingBreak && !line.empty()) line += " / ";
        pendingBreak = false;
        line += c;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

}  // namespace qar
