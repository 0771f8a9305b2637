// Drives another process's dialogs from outside, the way a user would, and reports what it sees.
//
// Usage: qar_driver.exe [-x] [SCRIPT|-]
// Reads one command per line (UTF-8) from SCRIPT or standard input and answers every command
// with zero or more detail lines followed by exactly one "ok cmd=..." or "fail cmd=..." line.
// -x stops at the first failing command. Exit code 0 when every command succeeded, 1 otherwise,
// 2 for a usage error.
//
// Anything that may open a modal window (button clicks, commands, keys, mouse buttons) is
// posted, never sent: a sent message would block this driver until the modal window closes.

#include "qar_out.h"

#include <exdisp.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

using qar::out::Line;

namespace {

constexpr DWORD kDefaultWaitMs = 10000;
constexpr DWORD kDefaultWatchMs = 30000;
constexpr UINT kSendTimeoutMs = 5000;

struct Command {
    std::string name;
    std::map<std::string, std::string> options;
    std::vector<std::string> args;
    int line_number = 0;
};

struct Target {
    HANDLE process = nullptr;
    DWORD pid = 0;
    DWORD main_thread = 0;
};

Target g_target;
HWND g_window = nullptr;   // the window that commands address when they name none
std::set<HWND> g_claimed;  // windows already returned by a wait, for "new=1"

class CommandError {
  public:
    explicit CommandError(std::string message, DWORD last_error = 0)
        : message_(std::move(message)), last_error_(last_error) {}
    const std::string& message() const { return message_; }
    DWORD last_error() const { return last_error_; }

  private:
    std::string message_;
    DWORD last_error_;
};

// ---------------------------------------------------------------------------------------------
// Script parsing

// Splits on blanks. A double quote starts a quoted run (blanks kept, "" is a literal quote);
// backslashes are ordinary characters so that Windows paths need no escaping.
std::vector<std::string> tokenize(const std::string& line) {
    std::vector<std::string> tokens;
    std::string current;
    bool in_token = false;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char ch = line[i];
        if (quoted) {
            if (ch == '"') {
                if (i + 1 < line.size() && line[i + 1] == '"') {
                    current += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                current += ch;
            }
        } else if (ch == ' ' || ch == '\t') {
            if (in_token) {
                tokens.push_back(current);
                current.clear();
                in_token = false;
            }
        } else if (ch == '"') {
            quoted = true;
            in_token = true;
        } else {
            current += ch;
            in_token = true;
        }
    }
    if (quoted) {
        throw CommandError("unterminated quote");
    }
    if (in_token) {
        tokens.push_back(current);
    }
    return tokens;
}

bool is_option_name(const std::string& token, std::string& key, std::string& value) {
    const auto equals = token.find('=');
    if (equals == std::string::npos || equals == 0) {
        return false;
    }
    for (size_t i = 0; i < equals; ++i) {
        const char ch = token[i];
        if (!((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '_')) {
            return false;
        }
    }
    key = token.substr(0, equals);
    value = token.substr(equals + 1);
    return true;
}

// "launch" takes options only before the program, so that the program's own arguments may
// contain '='; every other command takes name=value anywhere.
Command parse_command(const std::string& line, int line_number) {
    const auto tokens = tokenize(line);
    Command command;
    command.line_number = line_number;
    command.name = tokens.at(0);
    const bool options_lead = command.name == "launch";
    for (size_t i = 1; i < tokens.size(); ++i) {
        std::string key;
        std::string value;
        if ((!options_lead || command.args.empty()) && is_option_name(tokens[i], key, value)) {
            command.options[key] = value;
        } else {
            command.args.push_back(tokens[i]);
        }
    }
    return command;
}

std::optional<std::string> option(const Command& command, const std::string& key) {
    const auto found = command.options.find(key);
    if (found == command.options.end()) {
        return std::nullopt;
    }
    return found->second;
}

long long parse_number(const std::string& key, const std::string& text) {
    if (text.empty()) {
        throw CommandError("empty number for " + key);
    }
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 0);
    if (end == nullptr || *end != '\0') {
        // 0xFFFFFFFF-style values above the signed range still fit an unsigned parse.
        const unsigned long long unsigned_value = std::strtoull(text.c_str(), &end, 0);
        if (end == nullptr || *end != '\0') {
            throw CommandError("bad number for " + key + ": " + text);
        }
        return static_cast<long long>(unsigned_value);
    }
    return value;
}

std::optional<long long> number_option(const Command& command, const std::string& key) {
    const auto text = option(command, key);
    if (!text) {
        return std::nullopt;
    }
    return parse_number(key, *text);
}

long long number_or(const Command& command, const std::string& key, long long fallback) {
    return number_option(command, key).value_or(fallback);
}

std::vector<long long> number_list(const Command& command, const std::string& key) {
    std::vector<long long> numbers;
    const auto text = option(command, key);
    if (!text) {
        return numbers;
    }
    size_t start = 0;
    while (start <= text->size()) {
        const auto comma = text->find(',', start);
        const auto piece =
            text->substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        numbers.push_back(parse_number(key, piece));
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    return numbers;
}

std::wstring utf8_to_wide(const std::string& text) {
    return qar::out::widen(text, CP_UTF8);
}

// ---------------------------------------------------------------------------------------------
// Windows of the target process

void require_target() {
    if (g_target.process == nullptr) {
        throw CommandError("no process: use launch or attach first");
    }
}

bool target_exited(DWORD* exit_code = nullptr) {
    if (WaitForSingleObject(g_target.process, 0) != WAIT_OBJECT_0) {
        return false;
    }
    if (exit_code != nullptr) {
        GetExitCodeProcess(g_target.process, exit_code);
    }
    return true;
}

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_process_window(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner_pid = 0;
    GetWindowThreadProcessId(hwnd, &owner_pid);
    if (owner_pid == search->pid) {
        search->found.push_back(hwnd);
    }
    return TRUE;
}

std::vector<HWND> process_windows(DWORD pid) {
    WindowSearch search{pid, {}};
    EnumWindows(collect_process_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring class_name(HWND hwnd) {
    wchar_t buffer[256] = {};
    GetClassNameW(hwnd, buffer, 256);
    return buffer;
}

std::wstring window_text(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &length)) {
        throw CommandError("WM_GETTEXTLENGTH timed out or failed", GetLastError());
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied)) {
        throw CommandError("WM_GETTEXT timed out or failed", GetLastError());
    }
    text.resize(std::min<size_t>(copied, length));
    return text;
}

// Direct child control ids, to tell dialogs apart in listings ("none" when there are none).
std::string child_ids(HWND parent) {
    std::string ids;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (!ids.empty()) {
            ids += ',';
        }
        ids += std::to_string(GetDlgCtrlID(child));
    }
    return ids.empty() ? "none" : ids;
}

// The focus and the active window of the thread that made hwnd: where its keyboard input goes.
std::optional<GUITHREADINFO> gui_thread_of(HWND hwnd) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &gui)) {
        return std::nullopt;
    }
    return gui;
}

Line& describe_window(Line& line, HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    line.handle("hwnd", hwnd)
        .text("class", class_name(hwnd))
        .text("title", window_text(hwnd))
        .num("visible", IsWindowVisible(hwnd) ? 1 : 0)
        .num("enabled", IsWindowEnabled(hwnd) ? 1 : 0)
        .num("x", rect.left)
        .num("y", rect.top)
        .num("w", rect.right - rect.left)
        .num("h", rect.bottom - rect.top)
        .handle("owner", GetWindow(hwnd, GW_OWNER))
        .num("foreground", GetForegroundWindow() == hwnd ? 1 : 0)
        .num("active", gui_thread_of(hwnd).value_or(GUITHREADINFO{}).hwndActive == hwnd ? 1 : 0)
        .hexnum("style", static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)))
        .hexnum("exstyle", static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)))
        .raw("ids", child_ids(hwnd));
    return line;
}

HWND parse_hwnd(const std::string& text) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(parse_number("hwnd", text)));
}

// The window a command addresses: hwnd=..., else the last window a wait or "use" chose.
HWND target_window(const Command& command) {
    HWND hwnd = g_window;
    if (const auto text = option(command, "hwnd")) {
        hwnd = parse_hwnd(*text);
    }
    if (hwnd == nullptr) {
        throw CommandError("no window: use wait or hwnd=");
    }
    if (!IsWindow(hwnd)) {
        throw CommandError("window " + qar::out::handle_text(hwnd) + " does not exist");
    }
    return hwnd;
}

HWND child_control(HWND parent, long long id) {
    HWND control = GetDlgItem(parent, static_cast<int>(id));
    if (control == nullptr) {
        throw CommandError("no control id " + std::to_string(id) + " in " +
                           qar::out::handle_text(parent));
    }
    return control;
}

// The window, or its control id=... when given.
HWND target_window_or_control(const Command& command) {
    HWND window = target_window(command);
    if (const auto id = number_option(command, "id")) {
        return child_control(window, *id);
    }
    return window;
}

// Records every visible top-level window of the target from launch on, on a thread of its
// own polling every millisecond or two, so that a window shown only for a moment is caught
// whatever command runs meanwhile.
class Observer {
  public:
    struct Seen {
        HWND hwnd;
        std::wstring window_class;
        std::wstring title;
        std::string ids;
        RECT rect;
    };

    Observer() { InitializeCriticalSection(&lock_); }
    Observer(const Observer&) = delete;
    Observer& operator=(const Observer&) = delete;

    void start(HANDLE process, DWORD pid) {
        stop();
        reset();
        pid_ = pid;
        if (!DuplicateHandle(GetCurrentProcess(), process, GetCurrentProcess(), &process_,
                             SYNCHRONIZE, FALSE, 0)) {
            process_ = nullptr;
            return;
        }
        stop_event_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        thread_ = CreateThread(nullptr, 0, &Observer::run, this, 0, nullptr);
    }

    // Ends observing; returns after the last poll, which follows the target's exit if it has.
    void stop() {
        if (thread_ != nullptr) {
            SetEvent(stop_event_);
            WaitForSingleObject(thread_, INFINITE);
            CloseHandle(thread_);
            CloseHandle(stop_event_);
            thread_ = nullptr;
            stop_event_ = nullptr;
        }
        if (process_ != nullptr) {
            CloseHandle(process_);
            process_ = nullptr;
        }
    }

    // Waits until the observer has polled once more after the target ended.
    void finish() {
        if (thread_ != nullptr) {
            WaitForSingleObject(thread_, INFINITE);
        }
    }

    // Waits (bounded) for a whole poll that began after the call, so that a window the caller
    // has just found is in the list; the observer may lag behind on a busy machine.
    void catch_up() {
        if (thread_ == nullptr) return;
        const unsigned long long target = polls() + 2;
        for (int waited = 0; waited < 2000 && polls() < target; ++waited) {
            if (WaitForSingleObject(thread_, 1) == WAIT_OBJECT_0) return;
        }
    }

    std::vector<Seen> seen() {
        EnterCriticalSection(&lock_);
        auto copy = seen_;
        LeaveCriticalSection(&lock_);
        return copy;
    }

    unsigned long long polls() {
        EnterCriticalSection(&lock_);
        const auto count = polls_;
        LeaveCriticalSection(&lock_);
        return count;
    }

    void reset() {
        EnterCriticalSection(&lock_);
        seen_.clear();
        polls_ = 0;
        LeaveCriticalSection(&lock_);
    }

  private:
    static DWORD WINAPI run(void* self) {
        auto* observer = static_cast<Observer*>(self);
        for (;;) {
            const bool exited = WaitForSingleObject(observer->process_, 0) == WAIT_OBJECT_0;
            observer->poll();
            if (exited || WaitForSingleObject(observer->stop_event_, 1) == WAIT_OBJECT_0) {
                return 0;
            }
        }
    }

    // A window is recorded when first seen visible and read again on every later poll while it
    // stays visible: a poll may catch it half built or half destroyed (a busy machine can hold
    // this thread between the calls that read it), so it keeps the most controls it was seen
    // with, and the latest title and place.
    void poll() {
        std::vector<Seen> visible;
        for (HWND hwnd : process_windows(pid_)) {
            if (!IsWindowVisible(hwnd)) {
                continue;
            }
            wchar_t title[512] = {};
            InternalGetWindowText(hwnd, title, 512);  // never waits for the target
            RECT rect{};
            GetWindowRect(hwnd, &rect);
            Seen read{hwnd, class_name(hwnd), title, child_ids(hwnd), rect};
            if (IsWindowVisible(hwnd)) {
                visible.push_back(std::move(read));
            }
        }
        EnterCriticalSection(&lock_);
        for (auto& read : visible) {
            const auto known = std::find_if(seen_.begin(), seen_.end(),
                                            [&read](const Seen& s) { return s.hwnd == read.hwnd; });
            if (known == seen_.end()) {
                seen_.push_back(std::move(read));
                continue;
            }
            if (control_count(read.ids) > control_count(known->ids)) {
                known->ids = read.ids;
            }
            known->title = read.title;
            known->rect = read.rect;
        }
        ++polls_;
        LeaveCriticalSection(&lock_);
    }

    static size_t control_count(const std::string& ids) {
        return ids == "none" ? 0 : 1 + std::count(ids.begin(), ids.end(), ',');
    }

    CRITICAL_SECTION lock_;
    HANDLE thread_ = nullptr;
    HANDLE stop_event_ = nullptr;
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    std::vector<Seen> seen_;
    unsigned long long polls_ = 0;
};

Observer g_observer;

void emit_seen(const std::vector<Observer::Seen>& seen) {
    for (const auto& window : seen) {
        Line("seen")
            .handle("hwnd", window.hwnd)
            .text("class", window.window_class)
            .text("title", window.title)
            .raw("ids", window.ids)
            .num("x", window.rect.left)
            .num("y", window.rect.top)
            .num("w", window.rect.right - window.rect.left)
            .num("h", window.rect.bottom - window.rect.top)
            .emit();
    }
}

struct WindowFilter {
    std::optional<std::wstring> window_class = L"#32770";
    int visible = 1;  // 1 visible only, 0 hidden only, -1 either
    std::vector<long long> controls;
    std::vector<long long> no_controls;
    std::optional<std::wstring> title;
    bool fresh = false;

    static WindowFilter from(const Command& command) {
        WindowFilter filter;
        if (const auto cls = option(command, "class")) {
            if (*cls == "*") {
                filter.window_class.reset();
            } else {
                filter.window_class = utf8_to_wide(*cls);
            }
        }
        if (const auto visible = option(command, "visible")) {
            filter.visible =
                *visible == "any" ? -1 : static_cast<int>(parse_number("visible", *visible));
        }
        filter.controls = number_list(command, "control");
        filter.no_controls = number_list(command, "no_control");
        if (const auto title = option(command, "title")) {
            filter.title = utf8_to_wide(*title);
        }
        filter.fresh = number_or(command, "new", 0) != 0;
        return filter;
    }

    bool matches(HWND hwnd) const {
        if (!IsWindow(hwnd)) {
            return false;
        }
        if (window_class && _wcsicmp(class_name(hwnd).c_str(), window_class->c_str()) != 0) {
            return false;
        }
        const int shown = IsWindowVisible(hwnd) ? 1 : 0;
        if (visible != -1 && shown != visible) {
            return false;
        }
        for (const auto id : controls) {
            if (GetDlgItem(hwnd, static_cast<int>(id)) == nullptr) {
                return false;
            }
        }
        for (const auto id : no_controls) {
            if (GetDlgItem(hwnd, static_cast<int>(id)) != nullptr) {
                return false;
            }
        }
        if (fresh && g_claimed.count(hwnd) != 0) {
            return false;
        }
        if (title && window_text(hwnd) != *title) {
            return false;
        }
        return true;
    }
};

// ---------------------------------------------------------------------------------------------
// Commands

using Handler = std::function<bool(const Command&, Line&)>;

struct CommandSpec {
    std::vector<std::string> options;
    Handler handler;
};

std::wstring quote_argument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    for (wchar_t ch : argument) {
        if (ch == L'"') {
            quoted += L'\\';
        }
        quoted += ch;
    }
    quoted += L'"';
    return quoted;
}

void set_target(HANDLE process, DWORD pid, DWORD main_thread) {
    if (g_target.process != nullptr) {
        CloseHandle(g_target.process);
    }
    g_target = Target{process, pid, main_thread};
    g_window = nullptr;
    g_claimed.clear();
    g_observer.start(process, pid);
}

bool cmd_launch(const Command& command, Line& result) {
    if (command.args.empty()) {
        throw CommandError("launch needs a program");
    }
    std::wstring command_line = L"\"" + utf8_to_wide(command.args[0]) + L"\"";
    for (size_t i = 1; i < command.args.size(); ++i) {
        command_line += L" " + quote_argument(utf8_to_wide(command.args[i]));
    }
    std::wstring directory;
    if (const auto cwd = option(command, "cwd")) {
        directory = utf8_to_wide(*cwd);
    }
    const std::wstring program = utf8_to_wide(command.args[0]);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // Wine 8 under load now and then fails a process creation with ERROR_INTERNAL_ERROR before
    // the program runs any code of its own: that start, and only that, is tried once more, and
    // the reply says so.
    int retried = 0;
    for (;;) {
        if (CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0,
                           nullptr, directory.empty() ? nullptr : directory.c_str(), &startup,
                           &info)) {
            break;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || retried == 1) {
            throw CommandError("CreateProcess failed", error);
        }
        ++retried;
        Sleep(200);
    }
    CloseHandle(info.hThread);
    set_target(info.hProcess, info.dwProcessId, info.dwThreadId);
    result.unum("pid", info.dwProcessId).unum("tid", info.dwThreadId).unum("retried", retried);
    return true;
}

bool cmd_attach(const Command& command, Line& result) {
    DWORD pid = static_cast<DWORD>(number_or(command, "pid", 0));
    if (const auto exe = option(command, "exe")) {
        const std::wstring wanted = utf8_to_wide(*exe);
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE) {
            throw CommandError("CreateToolhelp32Snapshot failed", GetLastError());
        }
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32FirstW(snapshot, &entry); more;
             more = Process32NextW(snapshot, &entry)) {
            if (_wcsicmp(entry.szExeFile, wanted.c_str()) == 0) {
                pid = entry.th32ProcessID;
            }
        }
        CloseHandle(snapshot);
    }
    if (pid == 0) {
        throw CommandError("no such process");
    }
    HANDLE process = OpenProcess(
        SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, pid);
    if (process == nullptr) {
        throw CommandError("OpenProcess failed", GetLastError());
    }
    set_target(process, pid, 0);
    result.unum("pid", pid);
    return true;
}

// Returns once the window's thread is back in its message loop, so that a dialog found visible
// is past its initialisation (a dialog may show itself before its controls are made). A thread
// that does not answer within the bound leaves the window to be taken as it is.
void settle(HWND hwnd) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored);
}

bool cmd_wait(const Command& command, Line& result) {
    require_target();
    const auto filter = WindowFilter::from(command);
    const DWORD timeout = static_cast<DWORD>(number_or(command, "timeout", kDefaultWaitMs));
    const DWORD start = GetTickCount();
    for (;;) {
        for (HWND hwnd : process_windows(g_target.pid)) {
            if (!filter.matches(hwnd)) {
                continue;
            }
            settle(hwnd);
            if (filter.matches(hwnd)) {  // it may have changed (ended, hidden) meanwhile
                g_window = hwnd;
                g_claimed.insert(hwnd);
                describe_window(result, hwnd);
                return true;
            }
        }
        DWORD exit_code = 0;
        if (target_exited(&exit_code)) {
            result.text("error", L"process exited").unum("exit_code", exit_code);
            return false;
        }
        if (GetTickCount() - start >= timeout) {
            result.text("error", L"timeout");
            return false;
        }
        Sleep(10);
    }
}

bool cmd_wait_gone(const Command& command, Line& result) {
    HWND hwnd = g_window;
    if (const auto text = option(command, "hwnd")) {
        hwnd = parse_hwnd(*text);
    }
    if (hwnd == nullptr) {
        throw CommandError("no window: use wait or hwnd=");
    }
    const DWORD timeout = static_cast<DWORD>(number_or(command, "timeout", kDefaultWaitMs));
    const DWORD start = GetTickCount();
    while (IsWindow(hwnd) && IsWindowVisible(hwnd)) {
        if (GetTickCount() - start >= timeout) {
            result.handle("hwnd", hwnd).text("error", L"timeout");
            return false;
        }
        Sleep(10);
    }
    result.handle("hwnd", hwnd).num("exists", IsWindow(hwnd) ? 1 : 0);
    return true;
}

bool cmd_use(const Command& command, Line& result) {
    g_window = target_window(command);
    result.handle("hwnd", g_window);
    return true;
}

bool cmd_windows(const Command& command, Line& result) {
    require_target();
    const bool all = number_or(command, "all", 0) != 0;
    int count = 0;
    for (HWND hwnd : process_windows(g_target.pid)) {
        if (!all && !IsWindowVisible(hwnd)) {
            continue;
        }
        Line line("window");
        describe_window(line, hwnd).emit();
        ++count;
    }
    result.num("count", count);
    return true;
}

bool cmd_controls(const Command& command, Line& result) {
    HWND parent = target_window(command);
    int count = 0;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
        Line line("control");
        line.num("id", GetDlgCtrlID(child))
            .handle("hwnd", child)
            .text("class", class_name(child))
            .text("text", window_text(child))
            .num("visible", IsWindowVisible(child) ? 1 : 0)
            .num("enabled", IsWindowEnabled(child) ? 1 : 0)
            .num("x", rect.left)
            .num("y", rect.top)
            .num("w", rect.right - rect.left)
            .num("h", rect.bottom - rect.top)
            .hexnum("style", static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE)))
            .emit();
        ++count;
    }
    result.handle("hwnd", parent).num("count", count);
    return true;
}

bool cmd_text(const Command& command, Line& result) {
    HWND hwnd = target_window_or_control(command);
    result.handle("hwnd", hwnd).text("text", window_text(hwnd));
    return true;
}

// Posted messages run after this driver's sent ones: a test that posted input waits for the
// visible effect instead of reading at once.
bool cmd_wait_text(const Command& command, Line& result) {
    const auto wanted = option(command, "text");
    const auto part = option(command, "contains");
    if (!wanted && !part) {
        throw CommandError("wait_text needs text= or contains=");
    }
    const DWORD timeout = static_cast<DWORD>(number_or(command, "timeout", kDefaultWaitMs));
    const DWORD start = GetTickCount();
    for (;;) {
        HWND hwnd = target_window_or_control(command);
        const std::wstring text = window_text(hwnd);
        if ((wanted && text == utf8_to_wide(*wanted)) ||
            (part && text.find(utf8_to_wide(*part)) != std::wstring::npos)) {
            result.handle("hwnd", hwnd).text("text", text);
            return true;
        }
        if (GetTickCount() - start >= timeout) {
            result.handle("hwnd", hwnd).text("text", text).text("error", L"timeout");
            return false;
        }
        Sleep(10);
    }
}

bool cmd_state(const Command& command, Line& result) {
    HWND window = target_window(command);
    HWND hwnd = window;
    if (const auto id = number_option(command, "id")) {
        hwnd = GetDlgItem(window, static_cast<int>(*id));
        if (hwnd == nullptr) {
            result.num("exists", 0);
            return true;
        }
    }
    const GUITHREADINFO gui = gui_thread_of(hwnd).value_or(GUITHREADINFO{});
    DWORD_PTR check = 0;
    if (class_name(hwnd) == L"Button") {
        SendMessageTimeoutW(hwnd, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &check);
    }
    result.handle("hwnd", hwnd)
        .num("exists", 1)
        .num("visible", IsWindowVisible(hwnd) ? 1 : 0)
        .num("enabled", IsWindowEnabled(hwnd) ? 1 : 0)
        .num("focused", gui.hwndFocus == hwnd ? 1 : 0)
        .num("active", gui.hwndActive == hwnd ? 1 : 0)
        .num("checked", static_cast<long long>(check));
    return true;
}

bool cmd_focus(const Command& command, Line& result) {
    HWND window = target_window(command);
    const auto thread = gui_thread_of(window);
    if (!thread) {
        throw CommandError("GetGUIThreadInfo failed", GetLastError());
    }
    const GUITHREADINFO& gui = *thread;
    result.handle("focus", gui.hwndFocus)
        .num("id", gui.hwndFocus ? GetDlgCtrlID(gui.hwndFocus) : 0)
        .handle("active", gui.hwndActive)
        .handle("capture", gui.hwndCapture);
    return true;
}

LRESULT send_or_fail(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(hwnd, message, wparam, lparam, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &answer)) {
        throw CommandError("SendMessageTimeout failed for message " + qar::out::hex(message),
                           GetLastError());
    }
    return static_cast<LRESULT>(answer);
}

std::vector<std::wstring> combo_entries(HWND combo) {
    std::vector<std::wstring> entries;
    const LRESULT count = send_or_fail(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
        const LRESULT length = send_or_fail(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
        std::wstring text(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
        const LRESULT copied = send_or_fail(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                            reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
        entries.push_back(text);
    }
    return entries;
}

bool cmd_combo(const Command& command, Line& result) {
    const auto id = number_option(command, "id");
    if (!id) {
        throw CommandError("combo needs id=");
    }
    HWND combo = child_control(target_window(command), *id);
    const auto entries = combo_entries(combo);
    for (size_t index = 0; index < entries.size(); ++index) {
        Line("item").unum("index", index).text("text", entries[index]).emit();
    }
    result.num("id", *id)
        .unum("count", entries.size())
        .num("cursel", static_cast<int>(send_or_fail(combo, CB_GETCURSEL, 0, 0)))
        .text("text", window_text(combo));
    return true;
}

bool cmd_select(const Command& command, Line& result) {
    const auto id = number_option(command, "id");
    if (!id) {
        throw CommandError("select needs id=");
    }
    HWND window = target_window(command);
    HWND combo = child_control(window, *id);
    long long index = -1;
    if (const auto wanted = option(command, "text")) {
        const auto entries = combo_entries(combo);
        const auto found = std::find(entries.begin(), entries.end(), utf8_to_wide(*wanted));
        if (found == entries.end()) {
            throw CommandError("no entry " + *wanted);
        }
        index = found - entries.begin();
    } else if (const auto number = number_option(command, "index")) {
        index = *number;
    } else {
        throw CommandError("select needs text= or index=");
    }
    const LRESULT set = send_or_fail(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    if (set == CB_ERR && index != -1) {
        throw CommandError("CB_SETCURSEL refused index " + std::to_string(index));
    }
    if (number_or(command, "notify", 1) != 0) {
        send_or_fail(window, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(*id), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }
    result.num("id", *id)
        .num("index", index)
        .num("cursel", static_cast<int>(send_or_fail(combo, CB_GETCURSEL, 0, 0)));
    return true;
}

constexpr int kIconSize = 32;

// 32x32 pixels either copied from the screen at a point or drawn from an icon of our own
// on the dialog face colour; a foreign icon handle cannot be drawn from this process.
std::vector<DWORD> capture_pixels(const POINT* screen_origin, HICON icon) {
    std::vector<DWORD> pixels;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kIconSize;
    info.bmiHeader.biHeight = -kIconSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr && bits != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        bool drawn = false;
        if (screen_origin != nullptr) {
            drawn = BitBlt(memory, 0, 0, kIconSize, kIconSize, screen, screen_origin->x,
                           screen_origin->y, SRCCOPY) != 0;
        } else {
            RECT all{0, 0, kIconSize, kIconSize};
            FillRect(memory, &all, GetSysColorBrush(COLOR_3DFACE));
            drawn =
                DrawIconEx(memory, 0, 0, icon, kIconSize, kIconSize, 0, nullptr, DI_NORMAL) != 0;
        }
        GdiFlush();
        if (drawn) {
            pixels.resize(kIconSize * kIconSize);
            std::memcpy(pixels.data(), bits, pixels.size() * sizeof(DWORD));
            for (auto& pixel : pixels) {
                pixel &= 0x00FFFFFF;
            }
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Names the icon a message box shows by comparing its pixels on screen with the standard
// icons drawn here; "unknown" when the box is covered or painted differently.
std::string icon_kind(HWND icon_control) {
    RECT rect{};
    GetWindowRect(icon_control, &rect);
    const POINT origin{rect.left, rect.top};
    const auto shown = capture_pixels(&origin, nullptr);
    if (shown.empty()) {
        return "unknown";
    }
    const std::pair<WORD, const char*> kinds[] = {
        {32513, "error"},        // IDI_HAND
        {32514, "question"},     // IDI_QUESTION
        {32515, "warning"},      // IDI_EXCLAMATION
        {32516, "information"},  // IDI_ASTERISK
    };
    for (const auto& [resource, name] : kinds) {
        HICON standard = LoadIconW(nullptr, MAKEINTRESOURCEW(resource));
        if (standard != nullptr && capture_pixels(nullptr, standard) == shown) {
            return name;
        }
    }
    return "unknown";
}

// The icon of a message box is a static with SS_ICON; a box without icon shows none.
bool cmd_msgbox(const Command& command, Line& result) {
    HWND box = target_window(command);
    HWND text = GetDlgItem(box, 0xFFFF);
    if (text == nullptr) {
        throw CommandError("window has no static 0xFFFF: not a message box");
    }
    std::string buttons;
    std::string icon_name = "none";
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) {
            continue;
        }
        const auto cls = class_name(child);
        const auto style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
        if (_wcsicmp(cls.c_str(), L"Button") == 0) {
            if (!buttons.empty()) {
                buttons += ',';
            }
            buttons += std::to_string(GetDlgCtrlID(child));
        } else if (_wcsicmp(cls.c_str(), L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
            DWORD_PTR icon = 0;
            SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &icon);
            if (icon != 0) {
                // A box that has just appeared may not have painted yet.
                for (int attempt = 0; attempt < 40; ++attempt) {
                    icon_name = icon_kind(child);
                    if (icon_name != "unknown") {
                        break;
                    }
                    Sleep(50);
                }
            }
        }
    }
    result.handle("hwnd", box)
        .text("title", window_text(box))
        .text("text", window_text(text))
        .raw("buttons", buttons.empty() ? "none" : buttons)
        .raw("icon", icon_name);
    return true;
}

bool cmd_click(const Command& command, Line& result) {
    const auto id = number_option(command, "id");
    if (!id) {
        throw CommandError("click needs id=");
    }
    HWND button = child_control(target_window(command), *id);
    if (!PostMessageW(button, BM_CLICK, 0, 0)) {
        throw CommandError("PostMessage failed", GetLastError());
    }
    result.num("id", *id).handle("hwnd", button);
    return true;
}

bool cmd_command(const Command& command, Line& result) {
    const auto id = number_option(command, "id");
    if (!id) {
        throw CommandError("command needs id=");
    }
    HWND window = target_window(command);
    const auto code = static_cast<WORD>(number_or(command, "code", 0));
    LPARAM lparam = reinterpret_cast<LPARAM>(GetDlgItem(window, static_cast<int>(*id)));
    if (const auto explicit_lparam = number_option(command, "lparam")) {
        lparam = static_cast<LPARAM>(*explicit_lparam);
    }
    if (!PostMessageW(window, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(*id), code), lparam)) {
        throw CommandError("PostMessage failed", GetLastError());
    }
    result.num("id", *id).handle("hwnd", window);
    return true;
}

bool cmd_post_or_send(const Command& command, Line& result, bool post) {
    const auto message = number_option(command, "msg");
    if (!message) {
        throw CommandError("needs msg=");
    }
    HWND hwnd = target_window_or_control(command);
    const auto wparam = static_cast<WPARAM>(number_or(command, "wparam", 0));
    const auto lparam = static_cast<LPARAM>(number_or(command, "lparam", 0));
    result.handle("hwnd", hwnd);
    if (post) {
        if (!PostMessageW(hwnd, static_cast<UINT>(*message), wparam, lparam)) {
            throw CommandError("PostMessage failed", GetLastError());
        }
    } else {
        result.num("result", static_cast<long long>(
                                 send_or_fail(hwnd, static_cast<UINT>(*message), wparam, lparam)));
    }
    return true;
}

UINT virtual_key(const std::string& name) {
    static const std::map<std::string, UINT> names = {
        {"enter", VK_RETURN}, {"return", VK_RETURN}, {"escape", VK_ESCAPE}, {"esc", VK_ESCAPE},
        {"tab", VK_TAB},      {"space", VK_SPACE},   {"up", VK_UP},         {"down", VK_DOWN},
        {"left", VK_LEFT},    {"right", VK_RIGHT},   {"f1", VK_F1},
    };
    const auto found = names.find(name);
    if (found != names.end()) {
        return found->second;
    }
    return static_cast<UINT>(parse_number("key", name));
}

// The window a key goes to when it is pressed now: the focused window of the target window's
// thread when it lies in that window (a dialog sets its focus while it starts), else the window.
HWND key_receiver(const Command& command, HWND window) {
    if (const auto id = number_option(command, "id")) {
        return child_control(window, *id);
    }
    if (option(command, "to").value_or("focus") != "focus") {
        return window;
    }
    const HWND focus = gui_thread_of(window).value_or(GUITHREADINFO{}).hwndFocus;
    if (focus != nullptr && (focus == window || IsChild(window, focus))) {
        return focus;
    }
    return window;
}

std::string window_name(HWND hwnd) {
    return qar::out::handle_text(hwnd) + " (" + qar::out::narrow_utf8(class_name(hwnd)) + " id " +
           std::to_string(GetDlgCtrlID(hwnd)) + ")";
}

// Posts a key press and release. The receiver is resolved when the press is posted: the focus
// may move, or its control go away, between the look-up and the post. The press may end the
// window (Enter on a dialog's default button); the release then has no window to go to, as
// with a real keyboard, and is reported as lost rather than as a failure.
bool cmd_key(const Command& command, Line& result) {
    const auto name = option(command, "name");
    if (!name) {
        throw CommandError("key needs name=");
    }
    const UINT vk = virtual_key(*name);
    const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
    const LPARAM up = down | (LPARAM{1} << 30) | (LPARAM{1} << 31);
    HWND receiver = nullptr;
    std::string described;
    int receiver_id = 0;
    std::string tried;
    for (int attempt = 0;; ++attempt) {
        receiver = key_receiver(command, target_window(command));
        described = window_name(receiver);
        receiver_id = GetDlgCtrlID(receiver);
        if (PostMessageW(receiver, WM_KEYDOWN, vk, down)) {
            break;
        }
        const DWORD error = GetLastError();
        tried += (tried.empty() ? "" : ", ") + described;
        if (error != ERROR_INVALID_WINDOW_HANDLE || attempt == 2) {
            throw CommandError("PostMessage of the key press to " + tried + " failed", error);
        }
    }
    const bool released = PostMessageW(receiver, WM_KEYUP, vk, up) != FALSE;
    const DWORD release_error = released ? ERROR_SUCCESS : GetLastError();
    if (!released && release_error != ERROR_INVALID_WINDOW_HANDLE) {
        throw CommandError("PostMessage of the key release to " + described + " failed",
                           release_error);
    }
    result.hexnum("vk", vk)
        .handle("hwnd", receiver)
        .num("id", receiver_id)
        .utf8("receiver", described)
        .raw("release", released ? "posted" : "window_gone");
    return true;
}

bool cmd_mouse(const Command& command, Line& result) {
    const std::string action = option(command, "action").value_or("click");
    const auto x = number_option(command, "x");
    const auto y = number_option(command, "y");
    if (!x || !y) {
        throw CommandError("mouse needs x= and y= (client coordinates)");
    }
    HWND hwnd = target_window_or_control(command);
    const LPARAM where = MAKELPARAM(static_cast<short>(*x), static_cast<short>(*y));
    std::vector<std::pair<UINT, WPARAM>> messages;
    if (action == "move") {
        messages = {{WM_MOUSEMOVE, 0}};
    } else if (action == "down") {
        messages = {{WM_LBUTTONDOWN, MK_LBUTTON}};
    } else if (action == "up") {
        messages = {{WM_LBUTTONUP, 0}};
    } else if (action == "click") {
        messages = {{WM_MOUSEMOVE, 0}, {WM_LBUTTONDOWN, MK_LBUTTON}, {WM_LBUTTONUP, 0}};
    } else if (action == "rclick") {
        messages = {{WM_MOUSEMOVE, 0}, {WM_RBUTTONDOWN, MK_RBUTTON}, {WM_RBUTTONUP, 0}};
    } else {
        throw CommandError("unknown mouse action " + action);
    }
    const bool setcursor = number_or(command, "setcursor", 0) != 0;
    for (const auto& [message, keys] : messages) {
        // A real pointer asks the window for its cursor before each mouse message.
        if (setcursor && !PostMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd),
                                       MAKELPARAM(HTCLIENT, message))) {
            throw CommandError("PostMessage failed", GetLastError());
        }
        if (!PostMessageW(hwnd, message, keys, where)) {
            throw CommandError("PostMessage failed", GetLastError());
        }
    }
    result.raw("action", action).handle("hwnd", hwnd).num("x", *x).num("y", *y);
    return true;
}

bool cmd_rect(const Command& command, Line& result) {
    HWND hwnd = target_window_or_control(command);
    RECT window{};
    RECT client{};
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    result.handle("hwnd", hwnd)
        .num("x", window.left)
        .num("y", window.top)
        .num("w", window.right - window.left)
        .num("h", window.bottom - window.top)
        .num("client_x", origin.x)
        .num("client_y", origin.y)
        .num("client_w", client.right - client.left)
        .num("client_h", client.bottom - client.top);
    if (HWND parent = GetParent(hwnd);
        parent != nullptr && (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD)) {
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
        result.num("parent_x", window.left).num("parent_y", window.top);
    }
    return true;
}

// The window's region (GetWindowRgn, window coordinates): its kind and bounding box, and
// with x= y= whether that point lies inside it.
bool cmd_region(const Command& command, Line& result) {
    HWND hwnd = target_window(command);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    const int kind = GetWindowRgn(hwnd, region);
    RECT box{};
    GetRgnBox(region, &box);
    static const wchar_t* const kKinds[] = {L"error", L"null", L"simple", L"complex"};
    result.handle("hwnd", hwnd)
        .text("kind", kind >= 0 && kind <= 3 ? kKinds[kind] : L"unknown")
        .num("x", box.left)
        .num("y", box.top)
        .num("w", box.right - box.left)
        .num("h", box.bottom - box.top);
    const auto x = number_option(command, "x");
    const auto y = number_option(command, "y");
    if (x && y) {
        const bool inside = PtInRegion(region, static_cast<int>(*x), static_cast<int>(*y)) != FALSE;
        result.num("inside", inside ? 1 : 0);
    }
    DeleteObject(region);
    return true;
}

// The system's text for an error code (FormatMessage, from the system, language 0), to compare
// with what an error box shows.
bool cmd_syserror(const Command& command, Line& result) {
    const auto code = number_option(command, "code");
    if (!code) {
        throw CommandError("syserror needs code=");
    }
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
        nullptr, static_cast<DWORD>(*code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0) {
        throw CommandError("FormatMessage failed", GetLastError());
    }
    result.num("code", *code).text("text", std::wstring_view(text, length));
    LocalFree(text);
    return true;
}

// Waits for the target's end and reports every visible window it showed since launch.
bool cmd_watch(const Command& command, Line& result) {
    require_target();
    const DWORD timeout = static_cast<DWORD>(number_or(command, "timeout", kDefaultWatchMs));
    const bool exited = WaitForSingleObject(g_target.process, timeout) == WAIT_OBJECT_0;
    if (exited) {
        g_observer.finish();
    }
    const auto seen = g_observer.seen();
    emit_seen(seen);
    result.unum("seen", seen.size())
        .unum("polls", g_observer.polls())
        .num("exited", exited ? 1 : 0);
    if (!exited) {
        result.text("error", L"timeout");
        return false;
    }
    DWORD exit_code = 0;
    GetExitCodeProcess(g_target.process, &exit_code);
    result.unum("exit_code", exit_code).hexnum("exit_hex", exit_code);
    return true;
}

bool cmd_seen(const Command& command, Line& result) {
    require_target();
    g_observer.catch_up();
    const auto seen = g_observer.seen();
    emit_seen(seen);
    result.unum("seen", seen.size()).unum("polls", g_observer.polls());
    if (number_or(command, "reset", 0) != 0) {
        g_observer.reset();
    }
    return true;
}

bool cmd_wait_exit(const Command& command, Line& result) {
    require_target();
    const DWORD timeout = static_cast<DWORD>(number_or(command, "timeout", kDefaultWaitMs));
    if (WaitForSingleObject(g_target.process, timeout) != WAIT_OBJECT_0) {
        result.text("error", L"timeout");
        return false;
    }
    DWORD exit_code = 0;
    GetExitCodeProcess(g_target.process, &exit_code);
    result.unum("exit_code", exit_code).hexnum("exit_hex", exit_code);
    return true;
}

bool cmd_terminate(const Command& command, Line& result) {
    require_target();
    const auto code = static_cast<UINT>(number_or(command, "code", 1));
    if (!target_exited() && !TerminateProcess(g_target.process, code)) {
        throw CommandError("TerminateProcess failed", GetLastError());
    }
    WaitForSingleObject(g_target.process, kDefaultWaitMs);
    DWORD exit_code = 0;
    GetExitCodeProcess(g_target.process, &exit_code);
    result.unum("pid", g_target.pid).unum("exit_code", exit_code);
    return true;
}

// The desktop's shell as the program's route to it needs it: its ShellWindows object, served by
// the desktop process, finds the desktop. S_OK, or the first failure.
HRESULT desktop_shell_answer() {
    IShellWindows* windows = nullptr;
    const HRESULT created = CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                             IID_IShellWindows, reinterpret_cast<void**>(&windows));
    if (FAILED(created)) return created;
    VARIANT empty;
    VariantInit(&empty);
    long hwnd = 0;
    IDispatch* desktop = nullptr;
    const HRESULT found =
        windows->FindWindowSW(&empty, &empty, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, &desktop);
    if (desktop) desktop->Release();
    windows->Release();
    return found == S_OK ? S_OK : (FAILED(found) ? found : E_FAIL);
}

// Waits until the desktop process, which Wine starts with the first window of a prefix, serves
// the shell: on a loaded machine it may still be starting when a test first needs it.
bool cmd_wait_shell(const Command& command, Line& result) {
    const auto timeout = number_or(command, "timeout", 30000);
    const DWORD started = GetTickCount();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HRESULT answer = desktop_shell_answer();
    while (answer != S_OK && GetTickCount() - started < static_cast<DWORD>(timeout)) {
        Sleep(100);
        answer = desktop_shell_answer();
    }
    CoUninitialize();
    result.num("ms", static_cast<long long>(GetTickCount() - started));
    result.hexnum("hr", static_cast<std::uint32_t>(answer));
    return answer == S_OK;
}

bool cmd_sleep(const Command& command, Line& result) {
    const auto ms = number_or(command, "ms", 100);
    Sleep(static_cast<DWORD>(ms));
    result.num("ms", ms);
    return true;
}

bool cmd_echo(const Command& command, Line& result) {
    std::string text;
    for (const auto& arg : command.args) {
        if (!text.empty()) {
            text += ' ';
        }
        text += arg;
    }
    result.utf8("text", text);
    return true;
}

const std::map<std::string, CommandSpec>& command_table() {
    using namespace std::placeholders;
    static const std::map<std::string, CommandSpec> table = {
        {"launch", {{"cwd"}, cmd_launch}},
        {"attach", {{"pid", "exe"}, cmd_attach}},
        {"wait",
         {{"class", "visible", "control", "no_control", "title", "new", "timeout"}, cmd_wait}},
        {"wait_gone", {{"hwnd", "timeout"}, cmd_wait_gone}},
        {"use", {{"hwnd"}, cmd_use}},
        {"windows", {{"all"}, cmd_windows}},
        {"controls", {{"hwnd"}, cmd_controls}},
        {"text", {{"hwnd", "id"}, cmd_text}},
        {"wait_text", {{"hwnd", "id", "text", "contains", "timeout"}, cmd_wait_text}},
        {"state", {{"hwnd", "id"}, cmd_state}},
        {"focus", {{"hwnd"}, cmd_focus}},
        {"combo", {{"hwnd", "id"}, cmd_combo}},
        {"select", {{"hwnd", "id", "index", "text", "notify"}, cmd_select}},
        {"msgbox", {{"hwnd"}, cmd_msgbox}},
        {"click", {{"hwnd", "id"}, cmd_click}},
        {"command", {{"hwnd", "id", "code", "lparam"}, cmd_command}},
        {"post",
         {{"hwnd", "id", "msg", "wparam", "lparam"}, std::bind(cmd_post_or_send, _1, _2, true)}},
        {"send",
         {{"hwnd", "id", "msg", "wparam", "lparam"}, std::bind(cmd_post_or_send, _1, _2, false)}},
        {"key", {{"hwnd", "id", "name", "to"}, cmd_key}},
        {"mouse", {{"hwnd", "id", "action", "x", "y", "setcursor"}, cmd_mouse}},
        {"rect", {{"hwnd", "id"}, cmd_rect}},
        {"region", {{"hwnd", "x", "y"}, cmd_region}},
        {"syserror", {{"code"}, cmd_syserror}},
        {"watch", {{"timeout"}, cmd_watch}},
        {"seen", {{"reset"}, cmd_seen}},
        {"wait_exit", {{"timeout"}, cmd_wait_exit}},
        {"terminate", {{"code"}, cmd_terminate}},
        {"sleep", {{"ms"}, cmd_sleep}},
        {"wait_shell", {{"timeout"}, cmd_wait_shell}},
        {"echo", {{}, cmd_echo}},
    };
    return table;
}

bool run_line(const std::string& raw_line, int line_number) {
    std::string line = raw_line;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.pop_back();
    }
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') {
        return true;
    }
    std::string name = line.substr(first, line.find_first_of(" \t", first) - first);
    Line fields("");
    bool ok = false;
    try {
        const Command command = parse_command(line, line_number);
        name = command.name;
        const auto& table = command_table();
        const auto entry = table.find(command.name);
        if (entry == table.end()) {
            throw CommandError("unknown command");
        }
        for (const auto& [key, value] : command.options) {
            if (std::find(entry->second.options.begin(), entry->second.options.end(), key) ==
                entry->second.options.end()) {
                throw CommandError("unknown option " + key);
            }
        }
        const bool takes_arguments = command.name == "launch" || command.name == "echo";
        if (!takes_arguments && !command.args.empty()) {
            throw CommandError("unexpected argument " + command.args.front());
        }
        ok = entry->second.handler(command, fields);
    } catch (const CommandError& error) {
        fields.utf8("error", error.message());
        if (error.last_error() != 0) {
            fields.unum("last_error", error.last_error());
        }
        ok = false;
    } catch (const std::exception& error) {
        fields.utf8("error", error.what());
        ok = false;
    }
    qar::out::write_line(std::string(ok ? "ok" : "fail") + " cmd=" + name +
                         " line=" + std::to_string(line_number) + fields.str());
    return ok;
}

class LineReader {
  public:
    explicit LineReader(HANDLE input) : input_(input) {}

    bool next(std::string& line) {
        for (;;) {
            const auto newline = buffer_.find('\n');
            if (newline != std::string::npos) {
                line = buffer_.substr(0, newline);
                buffer_.erase(0, newline + 1);
                return true;
            }
            char chunk[4096];
            DWORD got = 0;
            if (!ReadFile(input_, chunk, sizeof chunk, &got, nullptr) || got == 0) {
                if (buffer_.empty()) {
                    return false;
                }
                line.swap(buffer_);
                buffer_.clear();
                return true;
            }
            buffer_.append(chunk, got);
        }
    }

  private:
    HANDLE input_;
    std::string buffer_;
};

}  // namespace

int main(int argc, char** argv) {
    bool stop_on_failure = false;
    const char* script = "-";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-x") == 0) {
            stop_on_failure = true;
        } else {
            script = argv[i];
        }
    }
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE file = nullptr;
    if (std::strcmp(script, "-") != 0) {
        file =
            CreateFileA(script, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            Line("fail")
                .raw("cmd", "open")
                .ansi("path", script)
                .unum("last_error", GetLastError())
                .emit();
            return 2;
        }
        input = file;
    }
    LineReader reader(input);
    bool all_ok = true;
    int line_number = 0;
    std::string line;
    while (reader.next(line)) {
        ++line_number;
        if (!run_line(line, line_number)) {
            all_ok = false;
            if (stop_on_failure) {
                break;
            }
        }
    }
    if (file != nullptr) {
        CloseHandle(file);
    }
    g_observer.stop();
    Line("end").num("status", all_ok ? 0 : 1).num("lines", line_number).emit();
    return all_ok ? 0 : 1;
}
