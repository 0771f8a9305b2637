#include "dialogs/extend_protect.h"

#include "platform/user_interface.h"

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
            if (kLeftArea.Contains(point)) {
                hoverArea_ = kOnlineRegistration;
            } else if (kRightArea.Contains(point)) {
                hoverArea_ = kRegisterLater;
            }
            break;
        case kOnlineRegistration:
            // Leaving an area always passes through "neither", even straight into the other.
            if (!kLeftArea.Contains(point)) hoverArea_ = kNeither;
            break;
        case kRegisterLater:
            if (!kRightArea.Contains(point)) hoverArea_ = kNeither;
            break;
    }
}

void ExtendProtectAP::OnLButtonDown() {
    pressed_ = 1;
}

void ExtendProtectAP::OnLButtonUp() {
    if (pressed_ == 1 && window_) {
        if (hoverArea_ == kOnlineRegistration) {
            shell_.RunCommandLine(kRegistrationCommand);
            window_->EndDialog(dialog_result::kOk);
        } else if (hoverArea_ == kRegisterLater) {
            window_->EndDialog(dialog_result::kOk);
        }
    }
    pressed_ = 0;
}

}  // namespace qar
