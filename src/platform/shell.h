// Shell services: starting a command line (documents and addresses go through Explorer, which
// hands them to the desktop's shell).
#pragma once

#include <cstdint>
#include <string_view>

namespace qar {

class Shell {
  public:
    virtual ~Shell() = default;
    // WinExec with SW_SHOW; the result above 31 means started.
    virtual std::uint32_t RunCommandLine(std::string_view commandLine) = 0;
};

}  // namespace qar
