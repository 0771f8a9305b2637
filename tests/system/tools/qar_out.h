// Result lines of the test tools: "<tag> key=value key=value ...", one line per result.
// A value is either a bare token (numbers, hex handles) or a JSON string literal in pure ASCII,
// so the reader decodes text exactly whatever code page the tools and the program run under.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace qar::out {

inline std::string json_quote(std::wstring_view text) {
    std::string quoted = "\"";
    for (wchar_t ch : text) {
        const auto code = static_cast<unsigned>(ch);
        if (ch == L'"') {
            quoted += "\\\"";
        } else if (ch == L'\\') {
            quoted += "\\\\";
        } else if (ch == L'\n') {
            quoted += "\\n";
        } else if (ch == L'\r') {
            quoted += "\\r";
        } else if (ch == L'\t') {
            quoted += "\\t";
        } else if (code >= 0x20 && code < 0x7F) {
            quoted += static_cast<char>(code);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", code & 0xFFFFu);
            quoted += escape;
        }
    }
    quoted += '"';
    return quoted;
}

inline std::wstring widen(std::string_view bytes, UINT code_page) {
    if (bytes.empty()) {
        return {};
    }
    const int size = static_cast<int>(bytes.size());
    const int count = MultiByteToWideChar(code_page, 0, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(code_page, 0, bytes.data(), size, wide.data(), count);
    return wide;
}

inline std::string narrow_utf8(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    const int count =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(count), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, bytes.data(), count, nullptr, nullptr);
    return bytes;
}

// Byte strings of the ANSI API are shown as text of the process's ANSI code page.
inline std::string json_quote_acp(const char* ansi) {
    return json_quote(widen(ansi ? std::string_view(ansi) : std::string_view(), CP_ACP));
}

inline std::string hex(std::uint64_t value, int digits = 0) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%0*llX", digits,
                  static_cast<unsigned long long>(value));
    return buffer;
}

inline std::string handle_text(const void* handle) {
    return hex(reinterpret_cast<std::uintptr_t>(handle));
}

// Writes straight to the standard output handle: no CRLF translation, nothing left in a buffer
// when the reader waits for the line.
inline void write_line(std::string line) {
    line += '\n';
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    if (output != nullptr && output != INVALID_HANDLE_VALUE) {
        WriteFile(output, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
}

class Line {
  public:
    explicit Line(std::string_view tag) : text_(tag) {}

    Line& raw(std::string_view key, std::string_view value) {
        text_ += ' ';
        text_ += key;
        text_ += '=';
        text_ += value;
        return *this;
    }
    Line& num(std::string_view key, long long value) { return raw(key, std::to_string(value)); }
    Line& unum(std::string_view key, unsigned long long value) {
        return raw(key, std::to_string(value));
    }
    Line& hexnum(std::string_view key, std::uint64_t value) { return raw(key, hex(value)); }
    Line& handle(std::string_view key, const void* value) { return raw(key, handle_text(value)); }
    Line& text(std::string_view key, std::wstring_view value) {
        return raw(key, json_quote(value));
    }
    Line& ansi(std::string_view key, const char* value) { return raw(key, json_quote_acp(value)); }
    Line& utf8(std::string_view key, std::string_view value) {
        return raw(key, json_quote(widen(value, CP_UTF8)));
    }

    void emit() const { write_line(text_); }
    const std::string& str() const { return text_; }

  private:
    std::string text_;
};

}  // namespace qar::out
