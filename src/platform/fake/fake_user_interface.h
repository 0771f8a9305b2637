// Message boxes and dialogs without windows: what was shown is recorded, answers are scripted.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/fake/fake_control.h"
#include "platform/user_interface.h"

namespace qar::fake {

struct ShownMessageBox {
    WindowRef owner = kNoWindow;
    std::string text;
    std::string caption;
    unsigned style = 0;
};

inline constexpr WindowRef kFakeMainWindow = 0x1020;
inline constexpr std::string_view kFakeApplicationName = "Modelprobe_u";

class FakeMainDialogWindow final : public MainDialogWindow {
public:
    WindowRef Handle() const override { return kFakeMainWindow; }
    bool HasSystemMenu() override { return systemMenuPresent; }
    void AppendSystemMenuSeparator() override { systemMenu.push_back("-"); }
    void AppendSystemMenuItem(std::uint32_t id, std::string_view text) override {
        systemMenu.push_back(std::to_string(id) + ":" + std::string(text));
    }
    std::string LoadResourceString(std::uint32_t id) override {
        return id == stringId ? stringText : std::string();
    }
    void SetIcons() override { ++iconsSet; }
    void EndDialog(int result) override {
        if (!endResult) endResult = result;
        ++endRequests;
    }

    bool systemMenuPresent = true;
    std::uint32_t stringId = 101;
    std::string stringText = "&About Modelprobe_u...";
    std::vector<std::string> systemMenu;
    int iconsSet = 0;
    std::optional<int> endResult;
    int endRequests = 0;
};

class FakeUserInterface final : public UserInterface {
public:
    explicit FakeUserInterface(FakeControl& control) : control_(control) {}

    int ShowMessageBox(WindowRef owner, std::string_view text, std::string_view caption,
                   unsigned style) override;
    int ApplicationMessageBox(std::string_view text, unsigned style) override;
    std::string SystemMessageText(Win32Error code) override;
    int RunMainDialog(MainDialogHandler& handler) override;
    int RunAboutDialog(WindowRef owner) override;

    std::vector<ShownMessageBox> messageBoxes;
    // Answers for the coming boxes, in order; a box without one is answered by its first button.
    std::deque<int> messageBoxAnswers;
    FakeMainDialogWindow mainWindow;
    // Run while the main dialog stays open after its initialisation, as a user's clicks would.
    std::vector<std::function<void(MainDialogHandler&)>> whileMainDialogOpen;
    int aboutRuns = 0;

private:
    FakeControl& control_;
};

}  // namespace qar::fake
