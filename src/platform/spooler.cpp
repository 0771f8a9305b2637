#include "platform/spooler.h"

#include <algorithm>
#include <cctype>

namespace qar {

namespace {

bool SamePortName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

bool PortIsGone(Spooler& spooler, std::string_view portName, Win32Error deleteResult) {
    if (!IsNoSuchPort(deleteResult)) return false;
    const auto ports = spooler.EnumPortNames();
    return ports && std::none_of(ports->begin(), ports->end(), [&](const std::string& port) {
               return SamePortName(port, portName);
           });
}

}  // namespace qar
