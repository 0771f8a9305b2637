// Starts a program and measures how long until its first visible dialog holding a given
// control appears; then cancels that dialog and waits for the program to end.
// Usage: qar_launch_timer.exe PROGRAM CONTROL_ID   → prints "launch_ms=<ms>"
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

struct Search {
    DWORD pid;
    int controlId;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->pid && IsWindowVisible(window) &&
        GetDlgItem(window, search->controlId) != nullptr) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: qar_launch_timer PROGRAM CONTROL_ID\n");
        return 2;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(argv[1], nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "cannot start %s: %lu\n", argv[1], GetLastError());
        return 1;
    }
    Search search{process.dwProcessId, std::atoi(argv[2]), nullptr};
    // Polled every millisecond; the bound only keeps a broken run from hanging.
    for (int tries = 0; tries < 60000 && !search.found; ++tries) {
        EnumWindows(&FindDialog, reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(1);
    }
    LARGE_INTEGER shown;
    QueryPerformanceCounter(&shown);
    if (search.found) PostMessageA(search.found, WM_COMMAND, IDCANCEL, 0);
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!search.found) return 1;
    std::printf("launch_ms=%.2f\n", Milliseconds(start, shown));
    return 0;
}
