#include "platform/spooler.h"

#include <algorithm>

#include "platform/ignoring_case.h"

namespace qar {

bool PortIsGone(Spooler& spooler, std::string_view portName, Win32Error deleteResult) {
    if (!IsNoSuchPort(deleteResult)) return false;
    const auto ports = spooler.EnumPortNames();
    return ports && std::none_of(ports->begin(), ports->end(), [&](const std::string& port) {
               return EqualIgnoringCase(port, portName);
           });
}

}  // namespace qar
