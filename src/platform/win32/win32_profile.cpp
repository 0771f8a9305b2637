#include "platform/win32/win32_profile.h"

#include <windows.h>

#include <vector>

namespace qar::win32 {

std::string Win32Profile::ReadString(std::string_view section, std::string_view key,
                                     std::string_view fallback, std::string_view path,
                                     std::uint32_t capacity) {
    if (capacity == 0) return {};
    std::vector<char> buffer(capacity, '\0');
    const DWORD length = GetPrivateProfileStringA(
        std::string(section).c_str(), std::string(key).c_str(), std::string(fallback).c_str(),
        buffer.data(), capacity, std::string(path).c_str());
    return std::string(buffer.data(), length < capacity ? length : capacity - 1);
}

}  // namespace qar::win32
