// The warranty extension offer: one picture in a shaped window with two drawn buttons.
#pragma once

#include <string_view>

#include "dialogs/warranty_offer_contract.h"
#include "platform/shell.h"
#include "platform/user_interface.h"

namespace qar {

inline constexpr std::string_view kRegistrationAddress =
    "http://www.qar-cutters.example/qarclub/register.aspx";

class ExtendProtectAP final : public WarrantyOfferHandler {
  public:
    enum HoverArea { kNeither = 0, kOnlineRegistration = 1, kRegisterLater = 2 };

    // The box that names the address when no desktop shell can open it.
    static constexpr std::string_view kOpenItYourselfText =
        "Please open this address in your browser:\n";

    ExtendProtectAP(Shell& shell, UserInterface& ui) : shell_(shell), ui_(ui) {}

    void OnInitDialog(WarrantyOfferWindow& window) override;
    void OnMouseMove(int x, int y) override;
    void OnLButtonDown() override;
    void OnLButtonUp() override;
    bool WantsHandCursor() const override { return hoverArea_ != kNeither; }

    int pressed() const { return pressed_; }
    int hoverArea() const { return hoverArea_; }

  private:
    void OpenRegistrationPage();

    Shell& shell_;
    UserInterface& ui_;
    WarrantyOfferWindow* window_ = nullptr;
    int pressed_ = 0;
    int hoverArea_ = kNeither;
};

}  // namespace qar
