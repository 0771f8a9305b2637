// What the installation flows need of the main dialog that runs them.
#pragma once

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
};

}  // namespace qar
