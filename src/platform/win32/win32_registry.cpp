#include "platform/win32/win32_registry.h"

#include <string>

namespace qar::win32 {

namespace {

Result<RegistryKeyPtr> CreateUnder(HKEY parent, std::string_view path) {
    HKEY key = nullptr;
    const LONG status = RegCreateKeyA(parent, std::string(path).c_str(), &key);
    if (status != ERROR_SUCCESS) return Failure{static_cast<Win32Error>(status)};
    return RegistryKeyPtr(std::make_unique<Win32RegistryKey>(UniqueRegistryKey(key)));
}

}  // namespace

Win32Error Win32RegistryKey::SetDword(std::string_view name, std::uint32_t value) {
    const DWORD data = value;
    return static_cast<Win32Error>(RegSetValueExA(key_.Get(), std::string(name).c_str(), 0,
                                                  REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                                                  sizeof(data)));
}

Win32Error Win32RegistryKey::SetString(std::string_view name, std::string_view value) {
    const std::string text(value);
    return static_cast<Win32Error>(RegSetValueExA(key_.Get(), std::string(name).c_str(), 0, REG_SZ,
                                                  reinterpret_cast<const BYTE*>(text.c_str()),
                                                  static_cast<DWORD>(text.size() + 1)));
}

Result<RegistryKeyFigures> Win32RegistryKey::QueryInfo() {
    char className[260] = {};
    DWORD classLength = sizeof(className);
    DWORD subKeys = 0, longestSubKey = 0, longestClass = 0, values = 0, longestValueName = 0,
          longestValueData = 0, securityDescriptor = 0;
    FILETIME lastWrite{};
    const LONG status = RegQueryInfoKeyA(key_.Get(), className, &classLength, nullptr, &subKeys,
                                         &longestSubKey, &longestClass, &values, &longestValueName,
                                         &longestValueData, &securityDescriptor, &lastWrite);
    if (status != ERROR_SUCCESS) return Failure{static_cast<Win32Error>(status)};
    return RegistryKeyFigures{values, longestValueName, longestValueData, subKeys};
}

Result<RegistryValue> Win32RegistryKey::EnumValue(std::uint32_t index, std::uint32_t nameCapacity,
                                                  std::uint32_t dataCapacity) {
    std::string name(nameCapacity, '\0');
    std::vector<std::uint8_t> data(dataCapacity, 0);
    DWORD nameLength = nameCapacity;
    DWORD dataLength = dataCapacity;
    const LONG status = RegEnumValueA(key_.Get(), index, name.data(), &nameLength, nullptr, nullptr,
                                      data.data(), &dataLength);
    if (status != ERROR_SUCCESS) return Failure{static_cast<Win32Error>(status)};
    name.resize(nameLength);
    data.resize(dataLength);
    return RegistryValue{std::move(name), std::move(data)};
}

Result<std::vector<std::uint8_t>> Win32RegistryKey::QueryValue(std::string_view name,
                                                               std::uint32_t capacity) {
    std::vector<std::uint8_t> data(capacity, 0);
    DWORD length = capacity;
    const LONG status = RegQueryValueExA(key_.Get(), std::string(name).c_str(), nullptr, nullptr,
                                         data.data(), &length);
    if (status != ERROR_SUCCESS) return Failure{static_cast<Win32Error>(status)};
    data.resize(length);
    return data;
}

Result<RegistryKeyPtr> Win32RegistryKey::CreateSubKey(std::string_view name) {
    return CreateUnder(key_.Get(), name);
}

Result<RegistryKeyPtr> Win32Registry::OpenLocalMachineKey(std::string_view path,
                                                          RegistryAccess access) {
    HKEY key = nullptr;
    const LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, std::string(path).c_str(), 0,
                                      static_cast<REGSAM>(access), &key);
    if (status != ERROR_SUCCESS) return Failure{static_cast<Win32Error>(status)};
    return RegistryKeyPtr(std::make_unique<Win32RegistryKey>(UniqueRegistryKey(key)));
}

Result<RegistryKeyPtr> Win32Registry::CreateLocalMachineKey(std::string_view path) {
    return CreateUnder(HKEY_LOCAL_MACHINE, path);
}

Win32Error Win32Registry::DeleteLocalMachineKey(std::string_view path) {
    return static_cast<Win32Error>(RegDeleteKeyA(HKEY_LOCAL_MACHINE, std::string(path).c_str()));
}

bool Win32Registry::SoftwareKeysRedirected() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace qar::win32
