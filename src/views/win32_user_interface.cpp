#include "views/win32_user_interface.h"

#include <string>

#include "platform/win32/handle_traits.h"
#include "resource.h"
#include "views/connection_help_view.h"
#include "views/dialog_base.h"
#include "views/main_dialog_view.h"
#include "views/select_port_view.h"
#include "views/warranty_offer_view.h"

namespace qar::win32 {

namespace {

class AboutDialogView final : public DialogBase {
  public:
    explicit AboutDialogView(HINSTANCE instance) : DialogBase(instance, IDD_ABOUTBOX) {}
};

// As the framework's application box does: a box that names no icon gets the one its buttons
// suggest.
UINT WithDefaultIcon(unsigned style) {
    if ((style & MB_ICONMASK) != 0) return style;
    switch (style & MB_TYPEMASK) {
        case MB_OK:
        case MB_OKCANCEL:
            return style | MB_ICONEXCLAMATION;
        case MB_YESNO:
        case MB_YESNOCANCEL:
            return style | MB_ICONQUESTION;
        default:
            return style;
    }
}

}  // namespace

int Win32UserInterface::ShowMessageBox(WindowRef owner, std::string_view text,
                                       std::string_view caption, unsigned style) {
    return MessageBoxA(reinterpret_cast<HWND>(owner), std::string(text).c_str(),
                       std::string(caption).c_str(), style);
}

int Win32UserInterface::ApplicationMessageBox(std::string_view text, unsigned style) {
    return MessageBoxA(mainWindow_, std::string(text).c_str(), kApplicationName,
                       WithDefaultIcon(style));
}

std::string Win32UserInterface::SystemMessageText(Win32Error code) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    UniqueLocalMemory owned(text);
    if (length == 0 || text == nullptr) return "Error " + std::to_string(code) + ".";
    return std::string(text, length);
}

int Win32UserInterface::RunMainDialog(MainDialogHandler& handler) {
    MainDialogView view(instance_, handler, [this](HWND window) { mainWindow_ = window; });
    const INT_PTR result = view.DoModal(nullptr);
    mainWindow_ = nullptr;
    return static_cast<int>(result);
}

int Win32UserInterface::RunAboutDialog(WindowRef owner) {
    AboutDialogView about(instance_);
    return static_cast<int>(about.DoModal(reinterpret_cast<HWND>(owner)));
}

// These three are made with no parent; as the framework does, their owner is then the hidden main
// dialog (when there is one), so they get no taskbar button, and ending one gives the activation
// back to this program rather than to another program's window.
int Win32UserInterface::RunSelectPortDialog(SelectPortHandler& handler) {
    SelectPortView view(instance_, handler);
    return static_cast<int>(view.DoModal(mainWindow_));
}

int Win32UserInterface::RunWarrantyOfferDialog(WarrantyOfferHandler& handler) {
    WarrantyOfferView view(instance_, handler);
    return static_cast<int>(view.DoModal(mainWindow_));
}

int Win32UserInterface::RunConnectionHelpDialog(ConnectionHelpHandler& handler) {
    ConnectionHelpView view(instance_, handler);
    return static_cast<int>(view.DoModal(mainWindow_));
}

}  // namespace qar::win32
