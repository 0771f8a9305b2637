#include "platform/fake/fake_user_interface.h"

namespace qar::fake {

int FakeUserInterface::ShowMessageBox(WindowRef owner, std::string_view text,
                                  std::string_view caption, unsigned style) {
    control_.Record("MessageBox(" + std::string(caption) + ", " + std::string(text) + ")");
    messageBoxes.push_back({owner, std::string(text), std::string(caption), style});
    if (!messageBoxAnswers.empty()) {
        const int answer = messageBoxAnswers.front();
        messageBoxAnswers.pop_front();
        return answer;
    }
    return (style & 0x0F) == message_box::kYesNo ? dialog_result::kYes : dialog_result::kOk;
}

int FakeUserInterface::ApplicationMessageBox(std::string_view text, unsigned style) {
    return ShowMessageBox(kFakeMainWindow, text, kFakeApplicationName, style);
}

std::string FakeUserInterface::SystemMessageText(Win32Error code) {
    return "system text for " + std::to_string(code);
}

int FakeUserInterface::RunMainDialog(MainDialogHandler& handler) {
    control_.Record("DialogBox(102)");
    handler.OnInitDialog(mainWindow);
    for (auto& action : whileMainDialogOpen) {
        if (mainWindow.endResult) break;
        action(handler);
    }
    return mainWindow.endResult.value_or(dialog_result::kCancel);
}

int FakeUserInterface::RunAboutDialog(WindowRef owner) {
    control_.Record("DialogBox(100, owner " + std::to_string(owner) + ")");
    ++aboutRuns;
    return dialog_result::kOk;
}

}  // namespace qar::fake
