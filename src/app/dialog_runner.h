// The application's modal dialogs, each run with the logic that handles it; the result is the
// dialog's end code (dialog_result), -1 when it could not be shown.
#pragma once

#include "app/main_dialog_contract.h"
#include "dialogs/connection_help_contract.h"
#include "dialogs/select_port_contract.h"
#include "dialogs/warranty_offer_contract.h"
#include "platform/window_ref.h"

namespace qar {

// The dialogs a flow shows under either front end.
class DialogRunner {
  public:
    virtual ~DialogRunner() = default;
    virtual int RunWarrantyOfferDialog(WarrantyOfferHandler& handler) = 0;
    virtual int RunConnectionHelpDialog(ConnectionHelpHandler& handler) = 0;
};

// And those only a plain start runs: the main dialog, its About box and the selection (the
// command line gives the model and port).
class ApplicationDialogs : public DialogRunner {
  public:
    virtual int RunMainDialog(MainDialogHandler& handler) = 0;
    virtual int RunAboutDialog(WindowRef owner) = 0;
    virtual int RunSelectPortDialog(SelectPortHandler& handler) = 0;
};

}  // namespace qar
