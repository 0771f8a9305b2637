// What the installation flows need of the main dialog that runs them.
#pragma once

#include <string_view>

#include "platform/window_ref.h"

namespace qar {

inline constexpr const char* kInstallCaption = "QAR Driver Installation";

class InstallHost {
  public:
    virtual ~InstallHost() = default;
    virtual WindowRef Owner() const = 0;
    // 1 when the user confirmed a port and a model, 0 otherwise.
    virtual int RunSelectPort() = 0;
    virtual void ShowWarrantyOffer() = 0;
    // Runs the connection help for the detector's verdict, its help command handing `guidePath`
    // to the user's shell; 1 when the user chose Retry.
    virtual int ShowConnectionHelp(std::string_view mode, std::string_view guidePath) = 0;
    // True when no one will see the connection help: the detector is then not worth running.
    virtual bool Unattended() const = 0;
};

}  // namespace qar
