#include "spooler/port_update.h"

namespace qar {

FlowOutcome UpdatePrinterPort(Spooler& spooler) {
    auto printers = spooler.EnumLocalPrinters2();
    if (!printers) return FlowOutcome::kFailed;
    if ((*printers)->Count() == 0) return FlowOutcome::kDone;
    auto target = spooler.OpenPrinterByName("aaTZ-60", kPrinterAllAccess);
    // Without that printer there is nothing to re-point.
    if (!target) return FlowOutcome::kDone;
    auto own = (*target)->GetPrinter2();
    if (!own) return FlowOutcome::kFailed;
    (*own)->SetPortKeepingSecurity(0, "USB001");
    return (*target)->SetPrinter2(**own, 0) == win32_error::kSuccess ? FlowOutcome::kDone
                                                                     : FlowOutcome::kFailed;
}

}  // namespace qar
