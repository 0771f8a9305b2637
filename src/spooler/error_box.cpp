#include "spooler/error_box.h"

#include <string>

namespace qar {

void ShowErrorBox(UserInterface& ui, Win32Error code, std::string_view cause) {
    std::string text = ui.SystemMessageText(code);
    if (!cause.empty()) text += "\r\n\r\n" + std::string(cause);
    ui.ShowMessageBox(kNoWindow, text, "ERROR", message_box::kIconInformation);
}

}  // namespace qar
