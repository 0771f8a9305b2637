#pragma once

#include "platform/files.h"
#include "platform/shell.h"

namespace qar::win32 {

class Win32Shell final : public Shell {
  public:
    // The system folders, where a program named without a path is looked for, come from `files`.
    explicit Win32Shell(FileSystem& files) : files_(files) {}

    std::uint32_t RunCommandLine(std::string_view commandLine) override;

  private:
    std::string SystemProgramPath(const std::string& name);

    FileSystem& files_;
};

}  // namespace qar::win32
