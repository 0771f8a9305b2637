// Shell services: opening a document with its program, starting a command line.
#pragma once

#include <cstdint>
#include <string_view>

namespace qar {

class Shell {
  public:
    virtual ~Shell() = default;
    // ShellExecuteA "Open" with SW_SHOW; the result above 32 means started.
    virtual std::intptr_t OpenDocument(std::string_view path) = 0;
    // WinExec with SW_SHOW; the result above 31 means started.
    virtual std::uint32_t RunCommandLine(std::string_view commandLine) = 0;
};

}  // namespace qar
