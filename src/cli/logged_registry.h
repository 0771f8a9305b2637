// The platform services of a run with switches pass every call on unchanged and write to the
// log what they changed on the system, and each change the system refused.
// This one: keys and values under HKEY_LOCAL_MACHINE.
#pragma once

#include "log/event_log.h"
#include "platform/registry.h"

namespace qar {

class LoggedRegistry final : public Registry {
  public:
    LoggedRegistry(Registry& inner, EventLog& log) : inner_(inner), log_(log) {}

    Result<RegistryKeyPtr> OpenLocalMachineKey(std::string_view path,
                                               RegistryAccess access) override;
    Result<RegistryKeyPtr> CreateLocalMachineKey(std::string_view path) override;
    Win32Error DeleteLocalMachineKey(std::string_view path) override;
    bool SoftwareKeysRedirected() override { return inner_.SoftwareKeysRedirected(); }

  private:
    // The key's full name where it really is, as an administrator would look it up.
    std::string Shown(std::string_view path);

    Registry& inner_;
    EventLog& log_;
};

}  // namespace qar
