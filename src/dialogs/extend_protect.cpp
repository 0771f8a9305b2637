#include "dialogs/extend_protect.h"

#include "dialogs/warranty_offer_layout.h"

#include <string>

#include "core/install_host.h"

namespace qar {

void ExtendProtectAP::OnInitDialog(WarrantyOfferWindow& window) {
    window_ = &window;
    pressed_ = 0;
    hoverArea_ = kNeither;
}

void ExtendProtectAP::OnMouseMove(int x, int y) {
    const Point point{x, y};
    switch (hoverArea_) {
        case kNeither:
            if (warranty_offer_layout::kLeftArea.Contains(point)) {
                hoverArea_ = kOnlineRegistration;
            } else if (warranty_offer_layout::kRightArea.Contains(point)) {
                hoverArea_ = kRegisterLater;
            }
            break;
        case kOnlineRegistration:
            // Leaving an area always passes through "neither", even straight into the other.
            if (!warranty_offer_layout::kLeftArea.Contains(point)) hoverArea_ = kNeither;
            break;
        case kRegisterLater:
            if (!warranty_offer_layout::kRightArea.Contains(point)) hoverArea_ = kNeither;
            break;
    }
}

// The browser gets the address from the user's shell, never from this elevated process; without
// a desktop shell the box names the address, before the offer closes.
void ExtendProtectAP::OpenRegistrationPage() {
    if (shell_.OpenInUserShell(kRegistrationAddress) != ShellHandoff::kNoDesktopShell) return;
    ui_.ShowMessageBox(window_->Handle(),
                       std::string(kOpenItYourselfText) + std::string(kRegistrationAddress),
                       kInstallCaption, message_box::kOk | message_box::kIconInformation);
}

void ExtendProtectAP::OnLButtonDown() {
    pressed_ = 1;
}

void ExtendProtectAP::OnLButtonUp() {
    if (pressed_ == 1 && window_) {
        if (hoverArea_ == kOnlineRegistration) {
            OpenRegistrationPage();
            window_->EndDialog(dialog_result::kOk);
        } else if (hoverArea_ == kRegisterLater) {
            window_->EndDialog(dialog_result::kOk);
        }
    }
    pressed_ = 0;
}

}  // namespace qar
