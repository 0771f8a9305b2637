#include "log/event_log.h"

#include <cstdio>

namespace qar {

namespace {

// A control character from a device or a command line would break the line or forge another:
// each is written as <0xNN>, which no path or name contains.
std::string Escaped(std::string_view event) {
    std::string line;
    for (char c : event) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            line += c;
            continue;
        }
        char escape[8] = {};
        std::snprintf(escape, sizeof escape, "<0x%02X>", static_cast<unsigned>(byte));
        line += escape;
    }
    return line;
}

std::string Stamp(const LocalTime& now) {
    char stamp[48] = {};  // room for any five-digit field
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u ",
                  static_cast<unsigned>(now.year), static_cast<unsigned>(now.month),
                  static_cast<unsigned>(now.day), static_cast<unsigned>(now.hour),
                  static_cast<unsigned>(now.minute), static_cast<unsigned>(now.second),
                  static_cast<unsigned>(now.millisecond));
    return stamp;
}

}  // namespace

void EventLog::Record(std::string_view event) {
    if (file_) file_->Append(Stamp(clock_.Now()) + Escaped(event) + "\r\n");
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
