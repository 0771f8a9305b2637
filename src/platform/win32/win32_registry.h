#pragma once

#include "platform/registry.h"
#include "platform/win32/handle_traits.h"

namespace qar::win32 {

class Win32RegistryKey final : public RegistryKey {
  public:
    explicit Win32RegistryKey(UniqueRegistryKey key) : key_(std::move(key)) {}

    Win32Error SetDword(std::string_view name, std::uint32_t value) override;
    Win32Error SetString(std::string_view name, std::string_view value) override;
    Result<RegistryKeyFigures> QueryInfo() override;
    Result<RegistryValue> EnumValue(std::uint32_t index, std::uint32_t nameCapacity,
                                    std::uint32_t dataCapacity) override;
    Result<std::vector<std::uint8_t>> QueryValue(std::string_view name,
                                                 std::uint32_t capacity) override;
    Result<RegistryKeyPtr> CreateSubKey(std::string_view name) override;

  private:
    UniqueRegistryKey key_;
};

class Win32Registry final : public Registry {
  public:
    Result<RegistryKeyPtr> OpenLocalMachineKey(std::string_view path,
                                               RegistryAccess access) override;
    Result<RegistryKeyPtr> CreateLocalMachineKey(std::string_view path) override;
    Win32Error DeleteLocalMachineKey(std::string_view path) override;
    bool SoftwareKeysRedirected() override;
};

}  // namespace qar::win32
