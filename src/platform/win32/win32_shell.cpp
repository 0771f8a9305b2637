#include "platform/win32/win32_shell.h"

#include <windows.h>

#include <string>

namespace qar::win32 {

// Looked for in System32 and then the Windows folder only: never beside this program or in the
// current folder, where anyone may have put a file of that name.
std::string Win32Shell::SystemProgramPath(const std::string& name) {
    const std::string fileName = name.find('.') == std::string::npos ? name + ".exe" : name;
    for (const Result<std::string>& folder :
         {files_.SystemDirectory(), files_.WindowsDirectory()}) {
        if (!folder) continue;
        const std::string path = *folder + "\\" + fileName;
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return path;
        }
    }
    return {};
}

std::uint32_t Win32Shell::RunCommandLine(std::string_view commandLine) {
    std::string command(commandLine);
    const std::size_t nameEnd = command.find(' ');
    const std::string program = command.substr(0, nameEnd);
    if (program.find_first_of("\\/:\"") == std::string::npos) {
        const std::string path = SystemProgramPath(program);
        if (path.empty()) return ERROR_FILE_NOT_FOUND;
        command =
            "\"" + path + "\"" + (nameEnd == std::string::npos ? "" : command.substr(nameEnd));
    }
    return WinExec(command.c_str(), SW_SHOW);
}

}  // namespace qar::win32
