#pragma once

#include "platform/shell.h"

namespace qar::win32 {

class Win32Shell final : public Shell {
  public:
    bool DesktopShellRunning() override;
    ShellRoute ExecuteInDesktopShell(std::string_view target) override;
    bool StartExplorer(std::string_view target) override;
};

}  // namespace qar::win32
