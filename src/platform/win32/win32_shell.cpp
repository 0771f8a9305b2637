#include "platform/win32/win32_shell.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace qar::win32 {

std::intptr_t Win32Shell::OpenDocument(std::string_view path) {
    return reinterpret_cast<std::intptr_t>(
        ShellExecuteA(nullptr, "Open", std::string(path).c_str(), nullptr, nullptr, SW_SHOW));
}

std::uint32_t Win32Shell::RunCommandLine(std::string_view commandLine) {
    return WinExec(std::string(commandLine).c_str(), SW_SHOW);
}

}  // namespace qar::win32
