#pragma once

#include "platform/shell.h"

namespace qar::win32 {

class Win32Shell final : public Shell {
  public:
    std::intptr_t OpenDocument(std::string_view path) override;
    std::uint32_t RunCommandLine(std::string_view commandLine) override;
};

}  // namespace qar::win32
