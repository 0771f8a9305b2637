#include "dialogs/avi_player.h"

#include <algorithm>

#include "core/install_host.h"

namespace qar {

namespace {

struct InstructionLine {
    std::string_view text;
    int top;
    int bottom;
};

constexpr std::array<InstructionLine, 3> kInstructionLines = {{
    {"Please change <USB Printer type> to <Common USB mode> ", 20, 55},
    {"and re-plug the USB cable.                            ", 40, 75},
    {"If it doesn't work, please contact tech support.      ", 130, 165},
}};

constexpr std::array<TextLine, 2> kAnimationLines = {{
    {"Device not detected.", {6, 250, 386, 285}},
    {"Please connect your USB device.", {6, 270, 386, 305}},
}};

}  // namespace

bool AviPlayer::IsInstructionPage(std::string_view mediaPath) {
    return mediaPath.starts_with("NUL");
}

WindowPlacement AviPlayer::Placement(bool instructionPage, int screenWidth, int screenHeight) {
    // The instruction page's nominal 450 x 225 loses its odd pixel to the halving.
    return instructionPage ? CentredAboveMiddle(screenWidth, screenHeight, 225, 225 / 2)
                           : CentredAboveMiddle(screenWidth, screenHeight, 200, 180);
}

std::vector<TextLine> AviPlayer::Lines(bool instructionPage, int clientWidth) {
    if (!instructionPage) return {kAnimationLines.begin(), kAnimationLines.end()};
    // Each line gets the width of all its characters, centred in the client area, so that no
    // word of the instructions is cut at either end.
    std::vector<TextLine> lines;
    for (const InstructionLine& line : kInstructionLines) {
        const int width = static_cast<int>(line.text.size()) * kTextCharacterWidth;
        const int left = std::max(0, (clientWidth - width) / 2);
        lines.push_back({line.text, {left, line.top, left + width, line.bottom}});
    }
    return lines;
}

void AviPlayer::OnInitDialog(ConnectionHelpWindow& window) {
    window_ = &window;
    const bool instruction = InstructionPage();
    if (instruction) {
        animationEnabled_ = 0;
    } else {
        window.HideHelpButtons();
    }
    const Point screen = window.ScreenSize();
    window.Place(Placement(instruction, screen.x, screen.y));
}

// Handed to the user's shell, as the registration address is: a reader that this elevated
// process started itself would run as administrator, its handler looked up where the user's
// unelevated programs may write. Without a desktop shell the box names the document instead.
void AviPlayer::OnUsbTypeHelp() {
    if (shell_.OpenInUserShell(guidePath_) != ShellHandoff::kNoDesktopShell) return;
    ui_.ShowMessageBox(window_ ? window_->Handle() : kNoWindow,
                       std::string(kOpenItYourselfText) + guidePath_, kInstallCaption,
                       message_box::kOk | message_box::kIconInformation);
}

}  // namespace qar
