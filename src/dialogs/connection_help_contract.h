// The meeting point of the connection help dialog's logic and its window.
#pragma once

#include <string_view>
#include <vector>

#include "platform/geometry.h"
#include "platform/window_ref.h"

namespace qar {

class ConnectionHelpWindow {
  public:
    virtual ~ConnectionHelpWindow() = default;
    virtual WindowRef Handle() const = 0;
    virtual Point ScreenSize() const = 0;
    virtual void HideHelpButtons() = 0;  // controls 3 and 4
    virtual void Place(const WindowPlacement& placement) = 0;
};

class ConnectionHelpHandler {
  public:
    virtual ~ConnectionHelpHandler() = default;
    virtual void OnInitDialog(ConnectionHelpWindow& window) = 0;
    virtual void OnUsbTypeHelp() = 0;
    virtual bool InstructionPage() const = 0;
    virtual bool AnimationEnabled() const = 0;
    virtual std::string_view MediaPath() const = 0;
    virtual std::vector<TextLine> TextLines(int clientWidth) const = 0;
};

}  // namespace qar
