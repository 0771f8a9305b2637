// The test prefixes' just-in-time debugger (AeDebug): writes which process crashed, then runs
// winedbg --auto on it with the report going to the same file.
//
// Wine starts the AeDebug debugger from the crashing process; when that process has no console
// (a service, the desktop), winedbg, a console program, gets a console window of its own, which
// a test then sees as a window on its X server. This program has no console and gives winedbg
// none, so a crash leaves a report in C:\qar-crashes\PID.txt instead of a window.
//
// Usage (the AeDebug "Debugger" value): qar_crashlog.exe WINEDBG_PATH PID EVENT

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

constexpr wchar_t kReportFolder[] = L"C:\\qar-crashes";
constexpr DWORD kWinedbgBoundMs = 60000;

std::wstring ImageOf(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr) return L"(process " + std::to_wstring(pid) + L" not found)";
    wchar_t image[MAX_PATH] = L"";
    DWORD size = MAX_PATH;
    if (!QueryFullProcessImageNameW(process, 0, image, &size)) wcscpy(image, L"(image unknown)");
    CloseHandle(process);
    return image;
}

void WriteLine(HANDLE file, const std::wstring& text) {
    const std::string line(text.begin(), text.end());  // image paths of the prefix are ASCII
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    WriteFile(file, "\r\n", 2, &written, nullptr);
}

// Runs winedbg --auto PID EVENT, its output into the report; it signals the event itself.
bool RunWinedbg(const wchar_t* winedbg, const wchar_t* pid, const wchar_t* event, HANDLE report) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = report;
    startup.hStdError = report;
    std::wstring command = L"\"" + std::wstring(winedbg) + L"\" --auto " + pid + L" " + event;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(winedbg, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &started)) {
        return false;
    }
    WaitForSingleObject(started.hProcess, kWinedbgBoundMs);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (args == nullptr || count != 4) return 2;
    const DWORD pid = wcstoul(args[2], nullptr, 10);
    // The crashed process waits on this event (inherited) until a debugger took it over.
    const auto event =
        reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(wcstoull(args[3], nullptr, 10)));

    CreateDirectoryW(kReportFolder, nullptr);
    const std::wstring path = std::wstring(kReportFolder) + L"\\" + args[2] + L".txt";
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE report = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (report != INVALID_HANDLE_VALUE) WriteLine(report, L"crashed: " + ImageOf(pid));
    const bool debugged = RunWinedbg(args[1], args[2], args[3], report);
    if (!debugged) {
        if (report != INVALID_HANDLE_VALUE) WriteLine(report, L"winedbg did not start");
        SetEvent(event);
    }
    if (report != INVALID_HANDLE_VALUE) CloseHandle(report);
    LocalFree(args);
    return debugged ? 0 : 1;
}
