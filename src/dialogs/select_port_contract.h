// The meeting point of the port and model selection dialog's logic and its window.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/window_ref.h"

namespace qar {

class SelectPortWindow {
  public:
    virtual ~SelectPortWindow() = default;
    virtual WindowRef Handle() const = 0;
    // The lists sort what they are given (case-insensitively), as sorted combo boxes do.
    virtual void AddPortEntry(std::string_view text) = 0;
    virtual void AddModelEntry(std::string_view text) = 0;
    virtual void SelectPortEntry(int index) = 0;
    virtual void SelectModelEntry(int index) = 0;
    // The text of the selected entry; nothing when no entry is selected.
    virtual std::optional<std::string> SelectedPortEntry() = 0;
    virtual std::optional<std::string> SelectedModelEntry() = 0;
    virtual void EndDialog(int result) = 0;
};

class SelectPortHandler {
  public:
    virtual ~SelectPortHandler() = default;
    virtual bool OnInitDialog(SelectPortWindow& window) = 0;
    virtual void OnInstall() = 0;
};

}  // namespace qar
