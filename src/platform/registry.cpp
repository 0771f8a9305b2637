#include "platform/registry.h"

namespace qar {

Result<RegistryKeyPtr> OpenOrCreateLocalMachineKey(Registry& registry, std::string_view path) {
    auto opened = registry.OpenLocalMachineKey(path, RegistryAccess::kAllAccess);
    if (opened) return opened;
    return registry.CreateLocalMachineKey(path);
}

}  // namespace qar
