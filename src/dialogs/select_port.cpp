#include "dialogs/select_port.h"

#include "discovery/serial_ports.h"

namespace qar {

bool SelectPort::OnInitDialog(SelectPortWindow& window) {
    window_ = &window;
    if (ListLocalPorts(registry_, ui_, window.Handle(), portList_)) FillSelectPortLists();
    return true;
}

void SelectPort::FillSelectPortLists() {
    for (const std::string& port : portList_) window_->AddEntry(SelectionList::kPort, port);
    window_->AddEntry(SelectionList::kPort, kParallelPort);
    for (std::string_view model : kModelNames) window_->AddEntry(SelectionList::kModel, model);
    // The lists sort themselves, so entry 0 is the alphabetically first of each.
    window_->SelectEntry(SelectionList::kPort, 0);
    window_->SelectEntry(SelectionList::kModel, 0);
}

void SelectPort::OnInstall() {
    auto port = window_->SelectedEntry(SelectionList::kPort);
    auto model = window_->SelectedEntry(SelectionList::kModel);
    if (!port || !model) return;
    chosenPort_ = std::move(*port);
    chosenModel_ = std::move(*model);
    window_->EndDialog(dialog_result::kOk);
}

}  // namespace qar
