#include "dialogs/select_port.h"

#include "discovery/serial_ports.h"

namespace qar {

bool SelectPort::OnInitDialog(SelectPortWindow& window) {
    window_ = &window;
    if (ListLocalPorts(registry_, ui_, window.Handle(), portList_)) FillSelectPortLists();
    return true;
}

void SelectPort::FillSelectPortLists() {
    for (const std::string& port : portList_) window_->AddPortEntry(port);
    window_->AddPortEntry(kParallelPort);
    for (std::string_view model : kModelNames) window_->AddModelEntry(model);
    // The lists sort themselves, so entry 0 is the alphabetically first of each.
    window_->SelectPortEntry(0);
    window_->SelectModelEntry(0);
}

void SelectPort::OnInstall() {
    auto port = window_->SelectedPortEntry();
    auto model = window_->SelectedModelEntry();
    if (!port || !model) return;
    chosenPort_ = std::move(*port);
    chosenModel_ = std::move(*model);
    window_->EndDialog(dialog_result::kOk);
}

}  // namespace qar
