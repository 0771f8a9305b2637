// Message boxes and dialogs without windows: what was shown is recorded, answers are scripted.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/dialog_runner.h"
#include "fakes/fake_control.h"
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
    // Like EndDialog, a later request replaces the result of an earlier one.
    void EndDialog(int result) override {
        endResult = result;
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

inline constexpr WindowRef kFakeSelectPortWindow = 0x1050;
inline constexpr WindowRef kFakeOfferWindow = 0x1030;

// Two sorted combo boxes: entries sorted case-insensitively as they are added.
class FakeSelectPortWindow final : public SelectPortWindow {
  public:
    WindowRef Handle() const override { return kFakeSelectPortWindow; }
    void AddEntry(SelectionList list, std::string_view text) override {
        AddSorted(Entries(list), text);
    }
    void SelectEntry(SelectionList list, int index) override {
        Selection(list) = Valid(Entries(list), index);
    }
    std::optional<std::string> SelectedEntry(SelectionList list) override {
        return Entry(Entries(list), Selection(list));
    }
    void EndDialog(int result) override {
        if (!endResult) endResult = result;
    }

    // Selects the entry with this exact text, as a user's click would.
    void ChoosePort(std::string_view text) { portSelection = IndexOf(ports, text); }
    void ChooseModel(std::string_view text) { modelSelection = IndexOf(models, text); }

    std::vector<std::string> ports;
    std::vector<std::string> models;
    int portSelection = -1;
    int modelSelection = -1;
    std::optional<int> endResult;

  private:
    std::vector<std::string>& Entries(SelectionList list) {
        return list == SelectionList::kPort ? ports : models;
    }
    int& Selection(SelectionList list) {
        return list == SelectionList::kPort ? portSelection : modelSelection;
    }
    static void AddSorted(std::vector<std::string>& list, std::string_view text);
    static int Valid(const std::vector<std::string>& list, int index);
    static int IndexOf(const std::vector<std::string>& list, std::string_view text);
    static std::optional<std::string> Entry(const std::vector<std::string>& list, int index);
};

class FakeWarrantyOfferWindow final : public WarrantyOfferWindow {
  public:
    WindowRef Handle() const override { return kFakeOfferWindow; }
    void EndDialog(int result) override {
        if (!endResult) endResult = result;
    }
    std::optional<int> endResult;
};

inline constexpr WindowRef kFakeHelpWindow = 0x1040;

class FakeConnectionHelpWindow final : public ConnectionHelpWindow {
  public:
    WindowRef Handle() const override { return kFakeHelpWindow; }
    Point ScreenSize() const override { return {1024, 768}; }
    void HideHelpButtons() override { helpButtonsHidden = true; }
    void Place(const WindowPlacement& where) override { placement = where; }

    bool helpButtonsHidden = false;
    std::optional<WindowPlacement> placement;
};

// What the user does in the help dialog; returns the dialog's result.
using ConnectionHelpScript = std::function<int(FakeConnectionHelpWindow&, ConnectionHelpHandler&)>;

// The user asks which USB type the cutter is, then closes the help.
inline int AskUsbTypeHelp(FakeConnectionHelpWindow&, ConnectionHelpHandler& handler) {
    handler.OnUsbTypeHelp();
    return dialog_result::kCancel;
}
using SelectPortScript = std::function<void(FakeSelectPortWindow&, SelectPortHandler&)>;
using WarrantyOfferScript = std::function<void(FakeWarrantyOfferWindow&, WarrantyOfferHandler&)>;

class FakeUserInterface final : public UserInterface, public ApplicationDialogs {
  public:
    explicit FakeUserInterface(FakeControl& control) : control_(control) {}

    int ShowMessageBox(WindowRef owner, std::string_view text, std::string_view caption,
                       unsigned style) override;
    int ApplicationMessageBox(std::string_view text, unsigned style) override;
    std::string SystemMessageText(Win32Error code) override;
    int RunMainDialog(MainDialogHandler& handler) override;
    int RunAboutDialog(WindowRef owner) override;
    int RunSelectPortDialog(SelectPortHandler& handler) override;
    int RunWarrantyOfferDialog(WarrantyOfferHandler& handler) override;
    int RunConnectionHelpDialog(ConnectionHelpHandler& handler) override;

    std::vector<ShownMessageBox> messageBoxes;
    // Answers for the coming boxes, in order; a box without one is answered by its first button.
    std::deque<int> messageBoxAnswers;
    FakeMainDialogWindow mainWindow;
    // Run while the main dialog stays open after its initialisation, as a user's clicks would.
    std::vector<std::function<void(MainDialogHandler&)>> whileMainDialogOpen;
    int aboutRuns = 0;

    // What the user does in the selection dialog; by default presses Install. A dialog that
    // the script leaves open is cancelled.
    SelectPortScript selectPortScript;
    FakeSelectPortWindow selectPortWindow;
    int selectPortRuns = 0;
    // What the user does in the offer; by default clicks "Register later".
    WarrantyOfferScript warrantyOfferScript;
    FakeWarrantyOfferWindow warrantyOfferWindow;
    int warrantyOfferRuns = 0;
    // What the user does in the help dialog; by default cancels.
    ConnectionHelpScript connectionHelpScript;
    FakeConnectionHelpWindow connectionHelpWindow;
    std::vector<std::string> connectionHelpPaths;  // the media path of each run

  private:
    FakeControl& control_;
};

}  // namespace qar::fake
