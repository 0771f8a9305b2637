// User interface services: message boxes and system message texts. The application's own
// dialogs run through app/dialog_runner.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win32_error.h"
#include "platform/window_ref.h"

namespace qar {

// The caption of the application's own boxes.
inline constexpr char kApplicationName[] = "Modelprobe_u";

namespace message_box {
inline constexpr unsigned kOk = 0x00;
inline constexpr unsigned kYesNo = 0x04;
inline constexpr unsigned kIconQuestion = 0x20;
inline constexpr unsigned kIconExclamation = 0x30;
inline constexpr unsigned kIconInformation = 0x40;
}  // namespace message_box

namespace dialog_result {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kYes = 6;
inline constexpr int kNo = 7;
}  // namespace dialog_result

class UserInterface {
  public:
    virtual ~UserInterface() = default;

    virtual int ShowMessageBox(WindowRef owner, std::string_view text, std::string_view caption,
                               unsigned style) = 0;
    // A box captioned with the application's name and owned by its main window.
    virtual int ApplicationMessageBox(std::string_view text, unsigned style) = 0;
    // The system's text for an error code (FormatMessageA from the system), or a fallback.
    virtual std::string SystemMessageText(Win32Error code) = 0;
};

}  // namespace qar
