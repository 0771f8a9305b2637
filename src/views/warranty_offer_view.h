#pragma once

#include <windows.h>

#include "dialogs/warranty_offer_contract.h"
#include "views/dialog_base.h"

namespace qar::win32 {

// The offer's window: a shaped window showing one picture, title bar included.
class WarrantyOfferView final : public DialogView<WarrantyOfferWindow> {
  public:
    WarrantyOfferView(HINSTANCE instance, WarrantyOfferHandler& handler);

  protected:
    BOOL OnInitDialog() override;
    std::optional<INT_PTR> HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void ShapeAndPlace();
    void PaintClient();
    INT_PTR PaintTitleStrip(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Result(LRESULT value);

    WarrantyOfferHandler& handler_;
};

}  // namespace qar::win32
