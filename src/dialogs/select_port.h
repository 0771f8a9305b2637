// Folder dialogs: the logic of the three dialogs.
// The dialog in which the user picks the port and the cutter model for a manual installation.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/catalogue.h"
#include "dialogs/select_port_contract.h"
#include "platform/registry.h"
#include "platform/user_interface.h"

namespace qar {

inline constexpr std::string_view kParallelPort = "LPT1:";

class SelectPort final : public SelectPortHandler {
  public:
    SelectPort(Registry& registry, UserInterface& ui) : registry_(registry), ui_(ui) {}

    bool OnInitDialog(SelectPortWindow& window) override;
    // Takes the selected entries and ends with IDOK; with a list lacking a selection the
    // dialog stays open, so nothing empty is ever installed.
    void OnInstall() override;

    const std::vector<std::string>& portList() const { return portList_; }
    const std::string& chosenPort() const { return chosenPort_; }
    const std::string& chosenModel() const { return chosenModel_; }

  private:
    void FillSelectPortLists();

    Registry& registry_;
    UserInterface& ui_;
    SelectPortWindow* window_ = nullptr;
    std::vector<std::string> portList_;
    std::string chosenPort_;
    std::string chosenModel_;
};

}  // namespace qar
