// Whether a folder or file on a log's path is out of reach of anyone but the system's own
// accounts: a standard user may have made it before the elevated run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace qar {

// Rights over a folder on the way that would let its holder change or replace it or its entries.
inline constexpr std::uint32_t kRightsToReplace = file_right::kWriteDac | file_right::kWriteOwner |
                                                  file_right::kDelete | file_right::kDeleteChild;

// Empty when `ownership` leaves `rights` to SYSTEM, the administrators, TrustedInstaller and
// the account of this run, and one of them owns it; else why not and what an administrator
// should do, as a sentence about `path`.
std::optional<std::string> UntrustedBecause(std::string_view path, const Ownership& ownership,
                                            std::uint32_t rights);

// Empty when a file one of them owns; else why not.
std::optional<std::string> UntrustedOwnerOfFile(const Ownership& ownership);

}  // namespace qar
