#include "fakes/fake_user_interface.h"

#include <algorithm>

namespace qar::fake {

void FakeSelectPortWindow::AddSorted(std::vector<std::string>& list, std::string_view text) {
    const auto place = std::upper_bound(list.begin(), list.end(), text, CaseInsensitiveLess{});
    list.insert(place, std::string(text));
}

int FakeSelectPortWindow::Valid(const std::vector<std::string>& list, int index) {
    return index >= 0 && index < static_cast<int>(list.size()) ? index : -1;
}

int FakeSelectPortWindow::IndexOf(const std::vector<std::string>& list, std::string_view text) {
    const auto found = std::find(list.begin(), list.end(), text);
    return found == list.end() ? -1 : static_cast<int>(found - list.begin());
}

std::optional<std::string> FakeSelectPortWindow::Entry(const std::vector<std::string>& list,
                                                       int index) {
    if (Valid(list, index) < 0) return std::nullopt;
    return list[static_cast<std::size_t>(index)];
}

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

int FakeUserInterface::RunSelectPortDialog(SelectPortHandler& handler) {
    control_.Record("DialogBox(105)");
    ++selectPortRuns;
    selectPortWindow = FakeSelectPortWindow{};
    handler.OnInitDialog(selectPortWindow);
    if (selectPortScript) {
        selectPortScript(selectPortWindow, handler);
    } else {
        handler.OnInstall();
    }
    return selectPortWindow.endResult.value_or(dialog_result::kCancel);
}

int FakeUserInterface::RunWarrantyOfferDialog(WarrantyOfferHandler& handler) {
    control_.Record("DialogBox(103)");
    ++warrantyOfferRuns;
    warrantyOfferWindow = FakeWarrantyOfferWindow{};
    handler.OnInitDialog(warrantyOfferWindow);
    if (warrantyOfferScript) {
        warrantyOfferScript(warrantyOfferWindow, handler);
    } else {
        handler.OnMouseMove(300, 250);
        handler.OnLButtonDown();
        handler.OnLButtonUp();
    }
    return warrantyOfferWindow.endResult.value_or(dialog_result::kCancel);
}

int FakeUserInterface::RunConnectionHelpDialog(ConnectionHelpHandler& handler) {
    control_.Record("DialogBox(104)");
    connectionHelpPaths.emplace_back(handler.MediaPath());
    connectionHelpWindow = FakeConnectionHelpWindow{};
    handler.OnInitDialog(connectionHelpWindow);
    if (connectionHelpScript) return connectionHelpScript(connectionHelpWindow, handler);
    return dialog_result::kCancel;
}

}  // namespace qar::fake
