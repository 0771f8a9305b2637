#pragma once

#include <string>

#include "platform/files.h"
#include "platform/shell.h"

namespace qar::win32 {

class Win32Shell final : public Shell {
  public:
    // The system folders, where Explorer is looked for, come from `files`.
    explicit Win32Shell(FileSystem& files) : files_(files) {}

  private:
    bool DesktopShellRunning() override;
    bool ExecuteInDesktopShell(std::string_view target) override;
    void StartExplorer(std::string_view target) override;

    std::string SystemProgramPath(const std::string& fileName);

    FileSystem& files_;
};

}  // namespace qar::win32
