// The user interface of a run with switches. Quiet: no window of any kind; every box is
// answered by policy and written to the log instead. Logged: the real boxes and dialogs, each
// one written to the log with the answer the user gave.
#pragma once

#include "app/dialog_runner.h"
#include "log/event_log.h"
#include "platform/user_interface.h"

namespace qar {

class QuietUserInterface final : public UserInterface, public DialogRunner {
  public:
    // Every question is answered `yes` (Yes or No), every other box OK.
    QuietUserInterface(UserInterface& system, EventLog& log, bool yes)
        : system_(system), log_(log), yes_(yes) {}

    int ShowMessageBox(WindowRef owner, std::string_view text, std::string_view caption,
                       unsigned style) override;
    int ApplicationMessageBox(std::string_view text, unsigned style) override;
    std::string SystemMessageText(Win32Error code) override;
    int RunWarrantyOfferDialog(WarrantyOfferHandler& handler) override;
    int RunConnectionHelpDialog(ConnectionHelpHandler& handler) override;

  private:
    UserInterface& system_;
    EventLog& log_;
    bool yes_;
};

class LoggedUserInterface final : public UserInterface, public DialogRunner {
  public:
    LoggedUserInterface(UserInterface& shown, DialogRunner& shownDialogs, EventLog& log)
        : shown_(shown), shownDialogs_(shownDialogs), log_(log) {}

    int ShowMessageBox(WindowRef owner, std::string_view text, std::string_view caption,
                       unsigned style) override;
    int ApplicationMessageBox(std::string_view text, unsigned style) override;
    std::string SystemMessageText(Win32Error code) override;
    int RunWarrantyOfferDialog(WarrantyOfferHandler& handler) override;
    int RunConnectionHelpDialog(ConnectionHelpHandler& handler) override;

  private:
    UserInterface& shown_;
    DialogRunner& shownDialogs_;
    EventLog& log_;
};

}  // namespace qar
