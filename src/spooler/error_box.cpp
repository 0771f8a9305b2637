#include "spooler/error_box.h"

namespace qar {

void ShowErrorBox(UserInterface& ui, Win32Error code) {
    ui.ShowMessageBox(kNoWindow, ui.SystemMessageText(code), "ERROR",
                      message_box::kIconInformation);
}

}  // namespace qar
