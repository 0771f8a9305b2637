// The meeting point of the main dialog's logic and its window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/window_ref.h"

namespace qar {

// What the main dialog's logic asks of its window.
class MainDialogWindow {
  public:
    virtual ~MainDialogWindow() = default;
    virtual WindowRef Handle() const = 0;
    virtual bool HasSystemMenu() = 0;
    virtual void AppendSystemMenuSeparator() = 0;
    virtual void AppendSystemMenuItem(std::uint32_t id, std::string_view text) = 0;
    virtual std::string LoadResourceString(std::uint32_t id) = 0;
    virtual void SetIcons() = 0;  // large and small, both the application icon
    virtual void EndDialog(int result) = 0;
};

// What the window hands to the main dialog's logic.
class MainDialogHandler {
  public:
    virtual ~MainDialogHandler() = default;
    virtual bool OnInitDialog(MainDialogWindow& window) = 0;
    virtual bool OnCommand(std::uint32_t id) = 0;     // true when the id has a handler
    virtual bool OnSysCommand(std::uint32_t id) = 0;  // false: use the default handling
};

}  // namespace qar
