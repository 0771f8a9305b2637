// An in-memory HKEY_LOCAL_MACHINE.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fakes/fake_control.h"
#include "platform/registry.h"

namespace qar::fake {

inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;

struct StoredValue {
    std::string name;
    std::uint32_t type = kRegSz;
    std::vector<std::uint8_t> data;
};

struct StoredKey {
    std::vector<StoredValue> values;  // in index order
};

class FakeRegistry final : public Registry {
  public:
    explicit FakeRegistry(FakeControl& control) : control_(control) {}

    Result<RegistryKeyPtr> OpenLocalMachineKey(std::string_view path,
                                               RegistryAccess access) override;
    Result<RegistryKeyPtr> CreateLocalMachineKey(std::string_view path) override;
    Win32Error DeleteLocalMachineKey(std::string_view path) override;
    bool SoftwareKeysRedirected() override { return softwareKeysRedirected; }

    // As for the shipping 32-bit program on 64-bit Windows. The keys below are stored where they
    // really are: the set-up and inspection calls take those paths.
    bool softwareKeysRedirected = true;

    // Test set-up and inspection.
    StoredKey& AddKey(std::string_view path);
    void SetValue(std::string_view path, std::string_view name, std::uint32_t type,
                  std::vector<std::uint8_t> data);
    void SetStringValue(std::string_view path, std::string_view name, std::string_view text);
    void SetDwordValue(std::string_view path, std::string_view name, std::uint32_t value);
    bool HasKey(std::string_view path) const;
    const StoredKey* FindKey(std::string_view path) const;
    std::optional<StoredValue> FindValue(std::string_view path, std::string_view name) const;
    std::optional<std::uint32_t> DwordValue(std::string_view path, std::string_view name) const;
    std::optional<std::string> StringValue(std::string_view path, std::string_view name) const;
    void RemoveKey(std::string_view path);
    // Direct subkeys of the key, as RegQueryInfoKey counts them.
    std::uint32_t SubKeyCount(std::string_view path) const;

  private:
    friend class FakeRegistryKey;
    StoredKey* Find(std::string_view path);
    // Where the program's path leads: the registry redirector puts a 32-bit process's
    // HKLM\SOFTWARE keys under SOFTWARE\WOW6432Node unless it asks for the 64-bit view.
    std::string Where(std::string_view path, RegistryAccess access) const;
    // RegCreateKey of a key where it really is; `named` is how the call names it.
    Result<RegistryKeyPtr> CreateAt(const std::string& where, std::string_view named);

    FakeControl& control_;
    std::map<std::string, StoredKey, CaseInsensitiveLess> keys_;
};

}  // namespace qar::fake
