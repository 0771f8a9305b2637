// The meeting point of the port and model selection dialog's logic and its window.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/window_ref.h"

namespace qar {

enum class SelectionList { kPort, kModel };

class SelectPortWindow {
  public:
    virtual ~SelectPortWindow() = default;
    virtual WindowRef Handle() const = 0;
    // Each list sorts what it is given (case-insensitively), as a sorted combo box does.
    virtual void AddEntry(SelectionList list, std::string_view text) = 0;
    virtual void SelectEntry(SelectionList list, int index) = 0;
    // The text of the list's selected entry; nothing when no entry is selected.
    virtual std::optional<std::string> SelectedEntry(SelectionList list) = 0;
    virtual void EndDialog(int result) = 0;
};

class SelectPortHandler {
  public:
    virtual ~SelectPortHandler() = default;
    virtual bool OnInitDialog(SelectPortWindow& window) = 0;
    virtual void OnInstall() = 0;
};

}  // namespace qar
