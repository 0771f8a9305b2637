#include "spooler/port_update.h"

namespace qar {

void UpdatePrinterPort(Spooler& spooler) {
    auto printers = spooler.EnumLocalPrinters2();
    if (!printers || (*printers)->Count() == 0) return;
    (*printers)->SetNameAndPort(0, "aaTZ-60", "USB001");
    auto target = spooler.OpenPrinterByName("aaTZ-60", kPrinterAllAccess);
    if (!target) return;
    (void)(*target)->SetPrinter2(**printers, 0);
}

}  // namespace qar
