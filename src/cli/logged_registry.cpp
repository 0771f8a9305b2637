#include "cli/logged_registry.h"

#include <string>

#include "platform/file_path.h"
#include "platform/ignoring_case.h"

namespace qar {

namespace {

constexpr std::string_view kSoftware = "SOFTWARE\\";

class LoggedRegistryKey final : public RegistryKey {
  public:
    LoggedRegistryKey(RegistryKeyPtr inner, std::string path, EventLog& log)
        : inner_(std::move(inner)), path_(std::move(path)), log_(log) {}

    Win32Error SetDword(std::string_view name, std::uint32_t value) override {
        return Logged(name, std::to_string(value), inner_->SetDword(name, value));
    }
    Win32Error SetString(std::string_view name, std::string_view value) override {
        return Logged(name, Quoted(value), inner_->SetString(name, value));
    }
    Result<RegistryKeyFigures> QueryInfo() override { return inner_->QueryInfo(); }
    Result<RegistryValue> EnumValue(std::uint32_t index, std::uint32_t nameCapacity,
                                    std::uint32_t dataCapacity) override {
        return inner_->EnumValue(index, nameCapacity, dataCapacity);
    }
    Result<std::vector<std::uint8_t>> QueryValue(std::string_view name,
                                                 std::uint32_t capacity) override {
        return inner_->QueryValue(name, capacity);
    }
    Result<RegistryKeyPtr> CreateSubKey(std::string_view name) override {
        const std::string path = path_ + "\\" + std::string(name);
        auto created = inner_->CreateSubKey(name);
        if (!created) {
            log_.RecordFailure("registry key " + path, created.error());
            return created;
        }
        log_.Record("registry key " + path + " created or opened for writing");
        return RegistryKeyPtr(std::make_unique<LoggedRegistryKey>(std::move(*created), path, log_));
    }

  private:
    Win32Error Logged(std::string_view name, const std::string& value, Win32Error result) {
        const std::string what =
            "registry value " + path_ + "\\" + std::string(name) + " = " + value;
        log_.RecordResult(result, what, what);
        return result;
    }

    RegistryKeyPtr inner_;
    std::string path_;  // as the log shows it
    EventLog& log_;
};

}  // namespace

std::string LoggedRegistry::Shown(std::string_view path) {
    if (!EqualIgnoringCase(path.substr(0, kSoftware.size()), kSoftware) ||
        !inner_.SoftwareKeysRedirected()) {
        return "HKLM\\" + std::string(path);
    }
    return "HKLM\\" + std::string(path.substr(0, kSoftware.size())) + "WOW6432Node\\" +
           std::string(path.substr(kSoftware.size()));
}

Result<RegistryKeyPtr> LoggedRegistry::OpenLocalMachineKey(std::string_view path,
                                                           RegistryAccess access) {
    auto opened = inner_.OpenLocalMachineKey(path, access);
    if (!opened) return opened;
    if (access == RegistryAccess::kAllAccess) {
        log_.Record("registry key " + Shown(path) + " opened for writing");
    }
    return RegistryKeyPtr(
        std::make_unique<LoggedRegistryKey>(std::move(*opened), Shown(path), log_));
}

Result<RegistryKeyPtr> LoggedRegistry::CreateLocalMachineKey(std::string_view path) {
    auto created = inner_.CreateLocalMachineKey(path);
    if (!created) {
        log_.RecordFailure("registry key " + Shown(path), created.error());
        return created;
    }
    log_.Record("registry key " + Shown(path) + " created");
    return RegistryKeyPtr(
        std::make_unique<LoggedRegistryKey>(std::move(*created), Shown(path), log_));
}

Win32Error LoggedRegistry::DeleteLocalMachineKey(std::string_view path) {
    const Win32Error result = inner_.DeleteLocalMachineKey(path);
    const std::string what = "registry key " + Shown(path);
    if (result == win32_error::kSuccess) {
        log_.Record(what + " removed");
    } else if (result != win32_error::kFileNotFound) {
        log_.RecordFailure("removing " + what, result);
    }
    return result;
}

}  // namespace qar
