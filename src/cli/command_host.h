// What the flows of a run with switches need of their front end: the selection the line gave,
// the dialogs of the run's user interface, and an owner window of the program's own while the
// run shows anything (so no box or dialog gets a taskbar entry of its own).
#pragma once

#include <string>

#include "app/dialog_runner.h"
#include "core/install_host.h"
#include "core/install_state.h"
#include "platform/platform.h"

namespace qar {

struct Selection {
    std::string model;  // the listed spelling
    std::string port;
};

class CommandHost final : public InstallHost {
  public:
    // Fills the package list and resets the selection, as every run's start does.
    CommandHost(Platform& platform, DialogRunner& dialogs, InstallState& state, Selection selection,
                bool unattended);

    void SetOwner(WindowRef owner) { owner_ = owner; }
    WindowRef Owner() const override { return owner_; }
    // The line's model and port, chosen without the dialog.
    int RunSelectPort() override;
    void ShowWarrantyOffer() override;
    int ShowConnectionHelp(std::string_view mode, std::string_view guidePath) override;
    bool Unattended() const override { return unattended_; }
    const std::string& Model() const { return selection_.model; }

  private:
    Platform& platform_;
    DialogRunner& dialogs_;
    InstallState& state_;
    Selection selection_;
    bool unattended_;
    WindowRef owner_ = kNoWindow;
};

}  // namespace qar
