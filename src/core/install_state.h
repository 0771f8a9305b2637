// Folder core: the vocabulary every layer shares.
// The one record through which the flows, the spooler steps and the dialogs hand values on.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "core/package_file_list.h"

namespace qar {

struct InstallState {
    std::string modelName;
    std::string printerName;  // the queue name built after a name clash
    std::string scratch;      // working copy while the clash name is built
    std::string usbPortName;  // wins over selectedPort when not empty
    std::string selectedPort;
    std::string selectedModel;
    std::int32_t selectionMade = 0;
    // 1 while no name clash happened; also the number of the next clash name. Never reset.
    std::int32_t clashCounter = 1;
    std::int32_t usbDeviceCount = 0;
    PackageFileList packageFiles;

    // What the main dialog clears each time it initialises.
    void ResetSelection() {
        selectedPort.clear();
        selectedModel.clear();
        selectionMade = 0;
    }
    // A port and a model confirmed, by the user or by the command line.
    void Select(std::string port, std::string model) {
        selectedPort = std::move(port);
        selectedModel = std::move(model);
        selectionMade = 1;
    }
};

}  // namespace qar
