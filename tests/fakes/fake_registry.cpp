#include "fakes/fake_registry.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace qar::fake {

namespace {

std::string JoinPath(std::string_view parent, std::string_view child) {
    return std::string(parent) + "\\" + std::string(child);
}

std::vector<std::uint8_t> DwordBytes(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

}  // namespace

class FakeRegistryKey final : public RegistryKey, private CountedHandle {
  public:
    FakeRegistryKey(FakeRegistry& registry, std::string path, RegistryAccess access)
        : CountedHandle(registry.control_),
          registry_(registry),
          path_(std::move(path)),
          writable_(access == RegistryAccess::kAllAccess) {}

    Win32Error SetDword(std::string_view name, std::uint32_t value) override {
        control_.Record("RegSetValueEx(" + path_ + ", " + std::string(name) + ", dword " +
                        std::to_string(value) + ")");
        if (auto failure = control_.InjectedFailure("RegSetValueEx")) return *failure;
        if (!writable_) return win32_error::kAccessDenied;
        registry_.SetValue(path_, name, kRegDword, DwordBytes(value));
        return win32_error::kSuccess;
    }

    Win32Error SetString(std::string_view name, std::string_view value) override {
        control_.Record("RegSetValueEx(" + path_ + ", " + std::string(name) + ", sz " +
                        std::string(value) + ")");
        if (auto failure = control_.InjectedFailure("RegSetValueEx")) return *failure;
        if (!writable_) return win32_error::kAccessDenied;
        std::vector<std::uint8_t> bytes(value.begin(), value.end());
        bytes.push_back(0);
        registry_.SetValue(path_, name, kRegSz, std::move(bytes));
        return win32_error::kSuccess;
    }

    Result<RegistryKeyFigures> QueryInfo() override {
        control_.Record("RegQueryInfoKey(" + path_ + ")");
        if (auto failure = control_.InjectedFailure("RegQueryInfoKey")) return Failure{*failure};
        const StoredKey* key = registry_.Find(path_);
        if (!key) return Failure{win32_error::kInvalidHandle};
        RegistryKeyFigures figures;
        figures.valueCount = static_cast<std::uint32_t>(key->values.size());
        for (const StoredValue& value : key->values) {
            figures.longestValueName =
                std::max(figures.longestValueName, static_cast<std::uint32_t>(value.name.size()));
            // Texts are kept in UTF-16 and counted so, though the A function reads them (Wine).
            const std::size_t stored = value.data.size() * (value.type == kRegSz ? 2 : 1);
            figures.longestValueData =
                std::max(figures.longestValueData, static_cast<std::uint32_t>(stored));
        }
        figures.subKeyCount = registry_.SubKeyCount(path_);
        return figures;
    }

    Result<RegistryValue> EnumValue(std::uint32_t index, std::uint32_t nameCapacity,
                                    std::uint32_t dataCapacity) override {
        control_.Record("RegEnumValue(" + path_ + ", " + std::to_string(index) + ")");
        if (auto failure = control_.InjectedFailure("RegEnumValue")) return Failure{*failure};
        const StoredKey* key = registry_.Find(path_);
        if (!key) return Failure{win32_error::kInvalidHandle};
        if (index >= key->values.size()) return Failure{win32_error::kNoMoreItems};
        const StoredValue& value = key->values[index];
        if (value.name.size() + 1 > nameCapacity || value.data.size() > dataCapacity) {
            return Failure{win32_error::kMoreData};
        }
        return RegistryValue{value.name, value.data};
    }

    Result<std::vector<std::uint8_t>> QueryValue(std::string_view name,
                                                 std::uint32_t capacity) override {
        control_.Record("RegQueryValueEx(" + path_ + ", " + std::string(name) + ")");
        if (auto failure = control_.InjectedFailure("RegQueryValueEx")) return Failure{*failure};
        auto value = registry_.FindValue(path_, name);
        if (!value) return Failure{win32_error::kFileNotFound};
        if (value->data.size() > capacity) return Failure{win32_error::kMoreData};
        return value->data;
    }

    Result<RegistryKeyPtr> CreateSubKey(std::string_view name) override {
        const std::string path = JoinPath(path_, name);
        // Windows needs the right to create subkeys on the parent for a new one.
        if (!writable_ && !registry_.HasKey(path)) {
            control_.Record("RegCreateKey(" + path + ")");
            return Failure{win32_error::kAccessDenied};
        }
        return registry_.CreateAt(path, path);
    }

  private:
    FakeRegistry& registry_;
    std::string path_;
    bool writable_;
};

namespace {

std::string AccessName(RegistryAccess access) {
    switch (access) {
        case RegistryAccess::kRead:
            return "read";
        case RegistryAccess::kReadNative:
            return "read, 64-bit view";
        case RegistryAccess::kAllAccess:
            break;
    }
    return "all";
}

}  // namespace

std::string FakeRegistry::Where(std::string_view path, RegistryAccess access) const {
    constexpr std::string_view kSoftware = "SOFTWARE\\";
    constexpr std::string_view kWow = "SOFTWARE\\WOW6432Node";
    const auto startsWith = [&](std::string_view start) {
        return path.size() >= start.size() &&
               EqualsIgnoringCase(path.substr(0, start.size()), start);
    };
    if (!softwareKeysRedirected || access == RegistryAccess::kReadNative ||
        !startsWith(kSoftware) || startsWith(kWow)) {
        return std::string(path);
    }
    return std::string(kWow) + "\\" + std::string(path.substr(kSoftware.size()));
}

Result<RegistryKeyPtr> FakeRegistry::OpenLocalMachineKey(std::string_view path,
                                                         RegistryAccess access) {
    control_.Record("RegOpenKeyEx(" + std::string(path) + ", " + AccessName(access) + ")");
    if (auto failure = control_.InjectedFailure("RegOpenKeyEx")) return Failure{*failure};
    const std::string where = Where(path, access);
    if (!Find(where)) return Failure{win32_error::kFileNotFound};
    return RegistryKeyPtr(std::make_unique<FakeRegistryKey>(*this, where, access));
}

Result<RegistryKeyPtr> FakeRegistry::CreateLocalMachineKey(std::string_view path) {
    return CreateAt(Where(path, RegistryAccess::kAllAccess), path);
}

Result<RegistryKeyPtr> FakeRegistry::CreateAt(const std::string& where, std::string_view named) {
    control_.Record("RegCreateKey(" + std::string(named) + ")");
    if (auto failure = control_.InjectedFailure("RegCreateKey")) return Failure{*failure};
    AddKey(where);
    return RegistryKeyPtr(
        std::make_unique<FakeRegistryKey>(*this, where, RegistryAccess::kAllAccess));
}

StoredKey& FakeRegistry::AddKey(std::string_view path) {
    // Like RegCreateKey, every missing parent comes into being too.
    for (std::size_t separator = path.find('\\'); separator != std::string_view::npos;
         separator = path.find('\\', separator + 1)) {
        keys_.try_emplace(std::string(path.substr(0, separator)));
    }
    return keys_[std::string(path)];
}

void FakeRegistry::SetValue(std::string_view path, std::string_view name, std::uint32_t type,
                            std::vector<std::uint8_t> data) {
    StoredKey& key = AddKey(path);
    for (StoredValue& value : key.values) {
        if (EqualsIgnoringCase(value.name, name)) {
            value.type = type;
            value.data = std::move(data);
            return;
        }
    }
    key.values.push_back({std::string(name), type, std::move(data)});
}

void FakeRegistry::SetStringValue(std::string_view path, std::string_view name,
                                  std::string_view text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    SetValue(path, name, kRegSz, std::move(bytes));
}

void FakeRegistry::SetDwordValue(std::string_view path, std::string_view name,
                                 std::uint32_t value) {
    SetValue(path, name, kRegDword, DwordBytes(value));
}

bool FakeRegistry::HasKey(std::string_view path) const {
    return FindKey(path) != nullptr;
}

const StoredKey* FakeRegistry::FindKey(std::string_view path) const {
    auto found = keys_.find(path);
    return found == keys_.end() ? nullptr : &found->second;
}

std::uint32_t FakeRegistry::SubKeyCount(std::string_view path) const {
    const std::string prefix = std::string(path) + "\\";
    std::set<std::string, CaseInsensitiveLess> children;
    for (const auto& [name, key] : keys_) {
        if (name.size() <= prefix.size() ||
            !EqualsIgnoringCase(name.substr(0, prefix.size()), prefix)) {
            continue;
        }
        children.insert(name.substr(prefix.size(), name.find('\\', prefix.size()) - prefix.size()));
    }
    return static_cast<std::uint32_t>(children.size());
}

StoredKey* FakeRegistry::Find(std::string_view path) {
    auto found = keys_.find(path);
    return found == keys_.end() ? nullptr : &found->second;
}

std::optional<StoredValue> FakeRegistry::FindValue(std::string_view path,
                                                   std::string_view name) const {
    const StoredKey* key = FindKey(path);
    if (!key) return std::nullopt;
    for (const StoredValue& value : key->values) {
        if (EqualsIgnoringCase(value.name, name)) return value;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> FakeRegistry::DwordValue(std::string_view path,
                                                      std::string_view name) const {
    auto value = FindValue(path, name);
    if (!value || value->type != kRegDword || value->data.size() != 4) return std::nullopt;
    std::uint32_t number = 0;
    std::memcpy(&number, value->data.data(), 4);
    return number;
}

std::optional<std::string> FakeRegistry::StringValue(std::string_view path,
                                                     std::string_view name) const {
    auto value = FindValue(path, name);
    if (!value || value->type != kRegSz || value->data.empty() || value->data.back() != 0) {
        return std::nullopt;
    }
    return std::string(value->data.begin(), value->data.end() - 1);
}

void FakeRegistry::RemoveKey(std::string_view path) {
    auto found = keys_.find(path);
    if (found != keys_.end()) keys_.erase(found);
}

Win32Error FakeRegistry::DeleteLocalMachineKey(std::string_view program) {
    control_.Record("RegDeleteKey(" + std::string(program) + ")");
    if (auto failure = control_.InjectedFailure("RegDeleteKey")) return *failure;
    const std::string path = Where(program, RegistryAccess::kAllAccess);
    const auto found = keys_.find(path);
    if (found == keys_.end()) return win32_error::kFileNotFound;
    // Like RegDeleteKey: a key with subkeys stays.
    const std::string prefix = std::string(path) + "\\";
    for (const auto& [name, key] : keys_) {
        if (name.size() > prefix.size() &&
            EqualsIgnoringCase(name.substr(0, prefix.size()), prefix)) {
            return win32_error::kAccessDenied;
        }
    }
    keys_.erase(found);
    return win32_error::kSuccess;
}

}  // namespace qar::fake
