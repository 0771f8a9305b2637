// Registry services: keys under HKEY_LOCAL_MACHINE, read and written through owned key objects.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace qar {

enum class RegistryAccess : std::uint32_t {
    kRead = 0x20019,        // KEY_READ
    kReadNative = 0x20119,  // KEY_READ | KEY_WOW64_64KEY: SOFTWARE as Windows itself reads it
    kAllAccess = 0xF003F,   // KEY_ALL_ACCESS
};

struct RegistryKeyFigures {
    std::uint32_t valueCount = 0;
    std::uint32_t longestValueName = 0;  // characters, without the terminator
    std::uint32_t longestValueData = 0;  // bytes
    std::uint32_t subKeyCount = 0;
};

struct RegistryValue {
    std::string name;
    std::vector<std::uint8_t> data;
};

// An open key; closing it is the destructor's job.
class RegistryKey {
  public:
    virtual ~RegistryKey() = default;

    virtual Win32Error SetDword(std::string_view name, std::uint32_t value) = 0;
    // REG_SZ with the terminating zero counted in the size.
    virtual Win32Error SetString(std::string_view name, std::string_view value) = 0;
    virtual Result<RegistryKeyFigures> QueryInfo() = 0;
    // Capacities are those handed to the platform: a name or data that does not fit fails.
    virtual Result<RegistryValue> EnumValue(std::uint32_t index, std::uint32_t nameCapacity,
                                            std::uint32_t dataCapacity) = 0;
    virtual Result<std::vector<std::uint8_t>> QueryValue(std::string_view name,
                                                         std::uint32_t capacity) = 0;
    virtual Result<std::unique_ptr<RegistryKey>> CreateSubKey(std::string_view name) = 0;
};

using RegistryKeyPtr = std::unique_ptr<RegistryKey>;

class Registry {
  public:
    virtual ~Registry() = default;

    virtual Result<RegistryKeyPtr> OpenLocalMachineKey(std::string_view path,
                                                       RegistryAccess access) = 0;
    // RegCreateKeyA: creates the key or opens it when it exists.
    virtual Result<RegistryKeyPtr> CreateLocalMachineKey(std::string_view path) = 0;
    // RegDeleteKeyA: a key without subkeys; 2 when there is none.
    virtual Win32Error DeleteLocalMachineKey(std::string_view path) = 0;
    // True in a 32-bit process on 64-bit Windows, whose keys under SOFTWARE (those this program
    // writes among them) land under SOFTWARE\WOW6432Node.
    virtual bool SoftwareKeysRedirected() = 0;
};

// Keys that are written are opened with full access first and created only when that fails.
Result<RegistryKeyPtr> OpenOrCreateLocalMachineKey(Registry& registry, std::string_view path);

}  // namespace qar
