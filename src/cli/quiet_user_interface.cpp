#include "cli/quiet_user_interface.h"

#include <string>

namespace qar {

namespace {

std::string BoxEvent(std::string_view caption, std::string_view text) {
    return "box \"" + std::string(caption) + "\": \"" + OneLine(text) + "\"";
}

// The name of a box's or dialog's result, for the log.
std::string_view AnswerName(int result) {
    switch (result) {
        case dialog_result::kOk:
            return "OK";
        case dialog_result::kCancel:
            return "Cancel";
        case dialog_result::kYes:
            return "Yes";
        case dialog_result::kNo:
            return "No";
        default:
            return "no answer";
    }
}

}  // namespace

int QuietUserInterface::ShowMessageBox(WindowRef, std::string_view text, std::string_view caption,
                                       unsigned style) {
    const bool question = (style & 0x0F) == message_box::kYesNo;
    const int answer = !question ? dialog_result::kOk
                       : yes_    ? dialog_result::kYes
                                 : dialog_result::kNo;
    log_.Record(BoxEvent(caption, text) + " not shown (quiet), answered " +
                std::string(AnswerName(answer)));
    return answer;
}

int QuietUserInterface::ApplicationMessageBox(std::string_view text, unsigned style) {
    return ShowMessageBox(kNoWindow, text, kApplicationName, style);
}

std::string QuietUserInterface::SystemMessageText(Win32Error code) {
    return system_.SystemMessageText(code);
}

int QuietUserInterface::RunWarrantyOfferDialog(WarrantyOfferHandler&) {
    log_.Record("warranty offer not shown (quiet)");
    return dialog_result::kCancel;
}

int QuietUserInterface::RunConnectionHelpDialog(ConnectionHelpHandler&) {
    log_.Record("no cutter answered on USB; connection help not shown (quiet)");
    return dialog_result::kCancel;
}

int LoggedUserInterface::ShowMessageBox(WindowRef owner, std::string_view text,
                                        std::string_view caption, unsigned style) {
    const int answer = shown_.ShowMessageBox(owner, text, caption, style);
    log_.Record(BoxEvent(caption, text) + " answered " + std::string(AnswerName(answer)));
    return answer;
}

int LoggedUserInterface::ApplicationMessageBox(std::string_view text, unsigned style) {
    const int answer = shown_.ApplicationMessageBox(text, style);
    log_.Record(BoxEvent(kApplicationName, text) + " answered " + std::string(AnswerName(answer)));
    return answer;
}

std::string LoggedUserInterface::SystemMessageText(Win32Error code) {
    return shown_.SystemMessageText(code);
}

int LoggedUserInterface::RunWarrantyOfferDialog(WarrantyOfferHandler& handler) {
    const int result = shownDialogs_.RunWarrantyOfferDialog(handler);
    log_.Record("warranty offer closed");
    return result;
}

int LoggedUserInterface::RunConnectionHelpDialog(ConnectionHelpHandler& handler) {
    log_.Record("no cutter answered on USB; connection help shown");
    const int result = shownDialogs_.RunConnectionHelpDialog(handler);
    log_.Record(std::string("connection help closed: ") +
                (result == dialog_result::kOk ? "Retry" : "Cancel"));
    return result;
}

}  // namespace qar
