#pragma once

#include <windows.h>

#include "dialogs/select_port_contract.h"
#include "views/dialog_base.h"

namespace qar::win32 {

// The selection dialog's window: two sorted combo boxes and two pictures.
class SelectPortView final : public DialogView<SelectPortWindow> {
  public:
    SelectPortView(HINSTANCE instance, SelectPortHandler& handler);

    void AddEntry(SelectionList list, std::string_view text) override;
    void SelectEntry(SelectionList list, int index) override;
    std::optional<std::string> SelectedEntry(SelectionList list) override;

  protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    std::optional<INT_PTR> HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    HWND Combo(SelectionList list) const;
    void Paint();

    SelectPortHandler& handler_;
};

}  // namespace qar::win32
