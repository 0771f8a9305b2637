// The connection help dialog: an animation page, or instructions to change the USB mode.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs/connection_help_contract.h"
#include "platform/geometry.h"
#include "platform/shell.h"
#include "platform/user_interface.h"

namespace qar {

inline constexpr std::string_view kUsbClipPath =
    "C:\\WINDOWS\\system32\\spool\\drivers\\x64\\usb_AVI.Avi";
inline constexpr std::string_view kUsbModeHelpPath =
    "C:\\WINDOWS\\system32\\spool\\drivers\\x64\\How to change USB mode.pdf";
inline constexpr std::string_view kUsbModeHelpFile = "How to change USB mode.pdf";
inline constexpr std::string_view kNoClip = "NULL";

class AviPlayer final : public ConnectionHelpHandler {
  public:
    // The text font: 8 pixels a character, fixed pitch.
    static constexpr int kTextCharacterWidth = 8;

    // The box that names the help document when no desktop shell can open it.
    static constexpr std::string_view kOpenItYourselfText = "Please open this guide yourself:\n";

    AviPlayer(Shell& shell, UserInterface& ui) : shell_(shell), ui_(ui) {}

    void SetMediaPath(std::string_view path) { mediaPath_ = path; }
    // The guide the help command hands to the user's shell.
    void SetGuidePath(std::string_view path) { guidePath_ = path; }

    // The instruction page is shown for a path beginning with "NUL" in capitals.
    static bool IsInstructionPage(std::string_view mediaPath);
    static WindowPlacement Placement(bool instructionPage, int screenWidth, int screenHeight);
    // The page's lines in a client area of the given width.
    static std::vector<TextLine> Lines(bool instructionPage, int clientWidth);

    void OnInitDialog(ConnectionHelpWindow& window) override;
    void OnUsbTypeHelp() override;
    bool InstructionPage() const override { return IsInstructionPage(mediaPath_); }
    bool AnimationEnabled() const override { return animationEnabled_ != 0; }
    std::string_view MediaPath() const override { return mediaPath_; }
    std::vector<TextLine> TextLines(int clientWidth) const override {
        return Lines(InstructionPage(), clientWidth);
    }

  private:
    Shell& shell_;
    UserInterface& ui_;
    ConnectionHelpWindow* window_ = nullptr;
    std::string mediaPath_;
    std::string guidePath_{kUsbModeHelpPath};
    int animationEnabled_ = 1;
};

}  // namespace qar
