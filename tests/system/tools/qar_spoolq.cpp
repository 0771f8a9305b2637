// Prints the spooler's and the registry's view of the machine as result lines, for tests to
// assert on what an installation really changed.
//
// Usage: qar_spoolq.exe QUERY...
//   printers            EnumPrintersA level 2 (local)
//   drivers [ENV]       EnumPrinterDriversA level 3, environment "Windows x64" unless given
//   ports               EnumPortsA level 2 (level 1 names are the same names)
//   monitors            EnumMonitorsA level 2
//   driverdir [ENV]     GetPrinterDriverDirectoryA level 1
//   info                code pages, directories
//   reg KEY             values and subkeys of a registry key (HKLM\..., HKCU\..., ...)
//   all                 printers, drivers, ports, monitors
// and, to set up what a user already had before a test:
//   adddriver NAME DATA     AddPrinterDriverA level 3, "Windows x64": the cutter driver's files
//                           of the driver directory with data file DATA from there
//   addprinter NAME PORT DRIVER   AddPrinterA level 2 with print processor WinPrint, type RAW
//   volatilekey KEY         creates a volatile registry key (reg.exe cannot, and a volatile
//                           parent such as HKLM\HARDWARE takes no other kind of subkey)
//   holdmutex NAME SDDL MS  makes a mutex with that security (owner included), holds it for MS
//                           milliseconds after its result line: a lock squatted by someone else
//   setprinter NAME FIELD VALUE   GetPrinterA level 2, one field changed, SetPrinterA level 2;
//                           FIELD: comment share location sepfile parameters priority
//                           default_priority start_time until_time
// Each query prints its detail lines and one "ok cmd=..." or "fail cmd=..." line.
// Exit code 0 when every query succeeded, 1 otherwise (a missing registry key fails), 2 for usage.

#include "qar_out.h"

#include <sddl.h>
#include <winspool.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using qar::out::Line;

namespace {

// The ANSI enumerations of the spooler: ask for the size, then fill.
template <typename Call>
bool enumerate(std::vector<BYTE>& buffer, DWORD& count, Call call) {
    DWORD needed = 0;
    count = 0;
    if (call(nullptr, 0, &needed, &count)) {
        buffer.clear();
        return true;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return false;
    }
    buffer.assign(needed, 0);
    return call(buffer.data(), needed, &needed, &count) != FALSE;
}

void finish(Line& result, bool ok, bool& all_ok) {
    if (!ok) {
        all_ok = false;
    }
    qar::out::write_line(std::string(ok ? "ok" : "fail") + result.str());
}

// The device name of a device mode (not always terminated within its 32 bytes).
std::string devmode_name(const DEVMODEA* mode) {
    if (mode == nullptr) {
        return {};
    }
    const auto* name = reinterpret_cast<const char*>(mode->dmDeviceName);
    return std::string(name, strnlen(name, sizeof mode->dmDeviceName));
}

void query_printers(bool& all_ok) {
    std::vector<BYTE> buffer;
    DWORD count = 0;
    const bool ok =
        enumerate(buffer, count, [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return EnumPrintersA(PRINTER_ENUM_LOCAL, const_cast<char*>(""), 2, data, size, needed,
                                 returned);
        });
    Line result("");
    result.raw("cmd", "printers");
    if (ok) {
        const auto* printers = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
        for (DWORD i = 0; i < count; ++i) {
            const auto& p = printers[i];
            Line("printer")
                .ansi("name", p.pPrinterName)
                .ansi("port", p.pPortName)
                .ansi("driver", p.pDriverName)
                .ansi("processor", p.pPrintProcessor)
                .ansi("datatype", p.pDatatype)
                .ansi("share", p.pShareName)
                .ansi("comment", p.pComment)
                .ansi("location", p.pLocation)
                .ansi("parameters", p.pParameters)
                .hexnum("attributes", p.Attributes)
                .hexnum("status", p.Status)
                .num("devmode", p.pDevMode != nullptr ? 1 : 0)
                .ansi("sepfile", p.pSepFile)
                .unum("priority", p.Priority)
                .unum("default_priority", p.DefaultPriority)
                .unum("start_time", p.StartTime)
                .unum("until_time", p.UntilTime)
                .ansi("devmode_name", devmode_name(p.pDevMode).c_str())
                .emit();
        }
        result.unum("count", count);
    } else {
        result.unum("last_error", GetLastError());
    }
    finish(result, ok, all_ok);
}

std::string multi_sz(const char* list) {
    std::string joined;
    for (const char* entry = list; entry != nullptr && *entry != '\0';
         entry += std::strlen(entry) + 1) {
        joined += (joined.empty() ? "" : "|");
        joined += entry;
    }
    return joined;
}

void query_drivers(const char* environment, bool& all_ok) {
    std::vector<BYTE> buffer;
    DWORD count = 0;
    const bool ok = enumerate(
        buffer, count, [environment](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return EnumPrinterDriversA(nullptr, const_cast<char*>(environment), 3, data, size,
                                       needed, returned);
        });
    Line result("");
    result.raw("cmd", "drivers").ansi("env", environment);
    if (ok) {
        const auto* drivers = reinterpret_cast<const DRIVER_INFO_3A*>(buffer.data());
        for (DWORD i = 0; i < count; ++i) {
            const auto& d = drivers[i];
            const std::string dependent = multi_sz(d.pDependentFiles);
            Line("driver")
                .ansi("name", d.pName)
                .unum("version", d.cVersion)
                .ansi("env", d.pEnvironment)
                .ansi("driver_path", d.pDriverPath)
                .ansi("data_file", d.pDataFile)
                .ansi("config_file", d.pConfigFile)
                .ansi("help_file", d.pHelpFile)
                .ansi("dependent", dependent.c_str())
                .ansi("monitor", d.pMonitorName)
                .ansi("datatype", d.pDefaultDataType)
                .emit();
        }
        result.unum("count", count);
    } else {
        result.unum("last_error", GetLastError());
    }
    finish(result, ok, all_ok);
}

void query_ports(bool& all_ok) {
    std::vector<BYTE> buffer;
    DWORD count = 0;
    const bool ok =
        enumerate(buffer, count, [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return EnumPortsA(nullptr, 2, data, size, needed, returned);
        });
    Line result("");
    result.raw("cmd", "ports");
    if (ok) {
        const auto* ports = reinterpret_cast<const PORT_INFO_2A*>(buffer.data());
        for (DWORD i = 0; i < count; ++i) {
            Line("port")
                .ansi("name", ports[i].pPortName)
                .ansi("monitor", ports[i].pMonitorName)
                .ansi("description", ports[i].pDescription)
                .hexnum("type", ports[i].fPortType)
                .emit();
        }
        result.unum("count", count);
    } else {
        result.unum("last_error", GetLastError());
    }
    finish(result, ok, all_ok);
}

void query_monitors(bool& all_ok) {
    std::vector<BYTE> buffer;
    DWORD count = 0;
    const bool ok =
        enumerate(buffer, count, [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return EnumMonitorsA(nullptr, 2, data, size, needed, returned);
        });
    Line result("");
    result.raw("cmd", "monitors");
    if (ok) {
        const auto* monitors = reinterpret_cast<const MONITOR_INFO_2A*>(buffer.data());
        for (DWORD i = 0; i < count; ++i) {
            Line("monitor")
                .ansi("name", monitors[i].pName)
                .ansi("env", monitors[i].pEnvironment)
                .ansi("dll", monitors[i].pDLLName)
                .emit();
        }
        result.unum("count", count);
    } else {
        result.unum("last_error", GetLastError());
    }
    finish(result, ok, all_ok);
}

void query_driver_directory(const char* environment, bool& all_ok) {
    char directory[MAX_PATH] = {};
    DWORD needed = 0;
    const bool ok = GetPrinterDriverDirectoryA(nullptr, const_cast<char*>(environment), 1,
                                               reinterpret_cast<BYTE*>(directory), sizeof directory,
                                               &needed) != FALSE;
    Line result("");
    result.raw("cmd", "driverdir").ansi("env", environment);
    if (ok) {
        result.ansi("path", directory);
    } else {
        result.unum("last_error", GetLastError());
    }
    finish(result, ok, all_ok);
}

void query_info(bool& all_ok) {
    char windows[MAX_PATH] = {};
    char system[MAX_PATH] = {};
    char wow64[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    GetSystemWow64DirectoryA(wow64, MAX_PATH);
    Line result("");
    result.raw("cmd", "info")
        .unum("acp", GetACP())
        .unum("oemcp", GetOEMCP())
        .hexnum("user_lcid", GetUserDefaultLCID())
        .hexnum("system_lcid", GetSystemDefaultLCID())
        .hexnum("ui_lang", GetUserDefaultUILanguage())
        .ansi("windows", windows)
        .ansi("system", system)
        .ansi("syswow64", wow64);
    finish(result, true, all_ok);
}

HKEY root_key(const std::wstring& name) {
    if (name == L"HKLM" || name == L"HKEY_LOCAL_MACHINE") {
        return HKEY_LOCAL_MACHINE;
    }
    if (name == L"HKCU" || name == L"HKEY_CURRENT_USER") {
        return HKEY_CURRENT_USER;
    }
    if (name == L"HKCR" || name == L"HKEY_CLASSES_ROOT") {
        return HKEY_CLASSES_ROOT;
    }
    if (name == L"HKU" || name == L"HKEY_USERS") {
        return HKEY_USERS;
    }
    return nullptr;
}

std::string value_type_name(DWORD type) {
    switch (type) {
        case REG_NONE:
            return "REG_NONE";
        case REG_SZ:
            return "REG_SZ";
        case REG_EXPAND_SZ:
            return "REG_EXPAND_SZ";
        case REG_BINARY:
            return "REG_BINARY";
        case REG_DWORD:
            return "REG_DWORD";
        case REG_MULTI_SZ:
            return "REG_MULTI_SZ";
        case REG_QWORD:
            return "REG_QWORD";
        default:
            return std::to_string(type);
    }
}

void emit_value(const std::wstring& name, DWORD type, const std::vector<BYTE>& data) {
    Line line("value");
    line.text("name", name).raw("type", value_type_name(type)).unum("size", data.size());
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        std::wstring text(reinterpret_cast<const wchar_t*>(data.data()),
                          data.size() / sizeof(wchar_t));
        // One terminating zero is storage, not content; a multi-string keeps its separators.
        if (!text.empty() && text.back() == L'\0') {
            text.pop_back();
        }
        if (type == REG_MULTI_SZ && !text.empty() && text.back() == L'\0') {
            text.pop_back();
        }
        line.text("data", text);
    } else if (type == REG_DWORD && data.size() == 4) {
        DWORD value = 0;
        std::memcpy(&value, data.data(), 4);
        line.unum("data", value);
    } else if (type == REG_QWORD && data.size() == 8) {
        unsigned long long value = 0;
        std::memcpy(&value, data.data(), 8);
        line.unum("data", value);
    } else {
        std::string hex;
        for (BYTE byte : data) {
            char digits[3];
            std::snprintf(digits, sizeof digits, "%02x", byte);
            hex += digits;
        }
        line.raw("data", hex.empty() ? "\"\"" : hex);
    }
    line.emit();
}

void query_registry(const char* path_text, bool& all_ok) {
    const std::wstring path = qar::out::widen(path_text, CP_ACP);
    Line result("");
    result.raw("cmd", "reg").text("key", path);
    const auto slash = path.find(L'\\');
    HKEY root = root_key(path.substr(0, slash));
    if (root == nullptr) {
        result.text("error", L"unknown root");
        finish(result, false, all_ok);
        return;
    }
    const std::wstring sub = slash == std::wstring::npos ? L"" : path.substr(slash + 1);
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExW(root, sub.c_str(), 0, KEY_READ, &key);
    if (opened != ERROR_SUCCESS) {
        result.text("error", L"missing").num("last_error", opened);
        finish(result, false, all_ok);
        return;
    }
    DWORD subkeys = 0;
    DWORD values = 0;
    DWORD longest_name = 0;
    DWORD longest_data = 0;
    DWORD longest_subkey = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longest_subkey, nullptr, &values,
                     &longest_name, &longest_data, nullptr, nullptr);
    for (DWORD i = 0; i < subkeys; ++i) {
        std::wstring name(longest_subkey + 2, L'\0');
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) ==
            ERROR_SUCCESS) {
            name.resize(length);
            Line("subkey").text("name", name).emit();
        }
    }
    for (DWORD i = 0; i < values; ++i) {
        std::wstring name(longest_name + 2, L'\0');
        DWORD name_length = static_cast<DWORD>(name.size());
        std::vector<BYTE> data(longest_data + 2);
        DWORD data_length = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueW(key, i, name.data(), &name_length, nullptr, &type, data.data(),
                          &data_length) == ERROR_SUCCESS) {
            name.resize(name_length);
            data.resize(data_length);
            emit_value(name, type, data);
        }
    }
    RegCloseKey(key);
    result.unum("subkeys", subkeys).unum("values", values);
    finish(result, true, all_ok);
}

void add_driver(const char* name, const char* data, bool& all_ok) {
    char directory[MAX_PATH] = {};
    DWORD needed = 0;
    GetPrinterDriverDirectoryA(nullptr, const_cast<char*>("Windows x64"), 1,
                               reinterpret_cast<BYTE*>(directory), sizeof directory, &needed);
    const std::string base = std::string(directory) + "\\";
    std::string driver_path = base + "KT4_cx64.dll";
    std::string data_file = base + data;
    std::string config_file = base + "KT4_cx64UI.dll";
    std::string help_file = base + "QARUI.HLP";
    DRIVER_INFO_3A info{};
    info.cVersion = 3;
    info.pName = const_cast<char*>(name);
    info.pEnvironment = const_cast<char*>("Windows x64");
    info.pDriverPath = driver_path.data();
    info.pDataFile = data_file.data();
    info.pConfigFile = config_file.data();
    info.pHelpFile = help_file.data();
    const bool ok = AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&info)) != FALSE;
    Line result("");
    result.raw("cmd", "adddriver").ansi("name", name);
    if (!ok) {
        result.unum("last_error", GetLastError());
    }
    finish(result, ok, all_ok);
}

void add_printer(const char* name, const char* port, const char* driver, bool& all_ok) {
    PRINTER_INFO_2A info{};
    info.pPrinterName = const_cast<char*>(name);
    info.pPortName = const_cast<char*>(port);
    info.pDriverName = const_cast<char*>(driver);
    info.pPrintProcessor = const_cast<char*>("WinPrint");
    // Wine opens the new queue only with a datatype; RAW is WinPrint's default.
    info.pDatatype = const_cast<char*>("RAW");
    HANDLE printer = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    Line result("");
    result.raw("cmd", "addprinter").ansi("name", name);
    if (printer != nullptr) {
        ClosePrinter(printer);
    } else {
        result.unum("last_error", GetLastError());
    }
    finish(result, printer != nullptr, all_ok);
}

void create_volatile_key(const char* path_text, bool& all_ok) {
    const std::wstring path = qar::out::widen(path_text, CP_ACP);
    Line result("");
    result.raw("cmd", "volatilekey").text("key", path);
    const auto slash = path.find(L'\\');
    HKEY root = root_key(path.substr(0, slash));
    if (root == nullptr || slash == std::wstring::npos) {
        result.text("error", L"unknown root");
        finish(result, false, all_ok);
        return;
    }
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LONG created = RegCreateKeyExW(root, path.substr(slash + 1).c_str(), 0, nullptr,
                                         REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                         &disposition);
    if (created == ERROR_SUCCESS) {
        RegCloseKey(key);
        result.num("created", disposition == REG_CREATED_NEW_KEY ? 1 : 0);
    } else {
        result.num("last_error", created);
    }
    finish(result, created == ERROR_SUCCESS, all_ok);
}

// Makes a named mutex with the given security (SDDL, owner included), holds it, reports, and
// keeps it for `ms` milliseconds: a lock squatted by another account.
void hold_mutex(const char* name, const char* sddl, const char* ms, bool& all_ok) {
    Line result("");
    result.raw("cmd", "holdmutex").ansi("name", name);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
        result.unum("last_error", GetLastError());
        finish(result, false, all_ok);
        return;
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    HANDLE mutex = CreateMutexA(&attributes, TRUE, name);
    const DWORD error = GetLastError();
    LocalFree(descriptor);
    if (mutex == nullptr) result.unum("last_error", error);
    finish(result, mutex != nullptr, all_ok);
    if (mutex == nullptr) return;
    Sleep(static_cast<DWORD>(std::strtoul(ms, nullptr, 10)));
    CloseHandle(mutex);
}

void set_printer_field(const char* name, const char* field, const char* value, bool& all_ok) {
    Line result("");
    result.raw("cmd", "setprinter").ansi("name", name).ansi("field", field);
    PRINTER_DEFAULTSA defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (!OpenPrinterA(const_cast<char*>(name), &printer, &defaults)) {
        result.unum("last_error", GetLastError());
        finish(result, false, all_ok);
        return;
    }
    DWORD needed = 0;
    GetPrinterA(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    bool ok = needed != 0 && GetPrinterA(printer, 2, buffer.data(), needed, &needed) != FALSE;
    bool known = true;
    if (ok) {
        auto& info = *reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
        std::string text = value;
        const std::string which = field;
        const DWORD number = static_cast<DWORD>(std::strtoul(value, nullptr, 0));
        if (which == "comment") {
            info.pComment = text.data();
        } else if (which == "share") {
            info.pShareName = text.data();
        } else if (which == "location") {
            info.pLocation = text.data();
        } else if (which == "sepfile") {
            info.pSepFile = text.data();
        } else if (which == "parameters") {
            info.pParameters = text.data();
        } else if (which == "priority") {
            info.Priority = number;
        } else if (which == "default_priority") {
            info.DefaultPriority = number;
        } else if (which == "start_time") {
            info.StartTime = number;
        } else if (which == "until_time") {
            info.UntilTime = number;
        } else {
            known = false;
        }
        ok = known && SetPrinterA(printer, 2, buffer.data(), 0) != FALSE;
    }
    if (!known) {
        result.ansi("error", "unknown field");
    } else if (!ok) {
        result.unum("last_error", GetLastError());
    }
    ClosePrinter(printer);
    finish(result, ok, all_ok);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        Line("fail").raw("cmd", "usage").emit();
        return 2;
    }
    bool all_ok = true;
    for (int i = 1; i < argc; ++i) {
        const std::string query = argv[i];
        const bool has_next = i + 1 < argc;
        if (query == "printers") {
            query_printers(all_ok);
        } else if (query == "drivers" || query == "driverdir") {
            const char* environment = "Windows x64";
            if (has_next && std::strncmp(argv[i + 1], "Windows", 7) == 0) {
                environment = argv[++i];
            }
            if (query == "drivers") {
                query_drivers(environment, all_ok);
            } else {
                query_driver_directory(environment, all_ok);
            }
        } else if (query == "ports") {
            query_ports(all_ok);
        } else if (query == "monitors") {
            query_monitors(all_ok);
        } else if (query == "info") {
            query_info(all_ok);
        } else if (query == "reg" && has_next) {
            query_registry(argv[++i], all_ok);
        } else if (query == "adddriver" && i + 2 < argc) {
            add_driver(argv[i + 1], argv[i + 2], all_ok);
            i += 2;
        } else if (query == "addprinter" && i + 3 < argc) {
            add_printer(argv[i + 1], argv[i + 2], argv[i + 3], all_ok);
            i += 3;
        } else if (query == "volatilekey" && has_next) {
            create_volatile_key(argv[++i], all_ok);
        } else if (query == "setprinter" && i + 3 < argc) {
            set_printer_field(argv[i + 1], argv[i + 2], argv[i + 3], all_ok);
            i += 3;
        } else if (query == "holdmutex" && i + 3 < argc) {
            hold_mutex(argv[i + 1], argv[i + 2], argv[i + 3], all_ok);
            i += 3;
        } else if (query == "all") {
            query_printers(all_ok);
            query_drivers("Windows x64", all_ok);
            query_ports(all_ok);
            query_monitors(all_ok);
        } else {
            Line result("");
            result.raw("cmd", "usage").ansi("query", argv[i]);
            finish(result, false, all_ok);
        }
    }
    return all_ok ? 0 : 1;
}
