#include "log/log_trust.h"

#include <array>

#include "platform/file_path.h"

namespace qar {

namespace {

constexpr std::array<std::string_view, 3> kSystemAccounts = {
    "S-1-5-18",                                                        // SYSTEM
    "S-1-5-32-544",                                                    // the administrators
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",  // TrustedInstaller
};

constexpr std::string_view kElsewhere = " (%SystemRoot%\\Logs\\Software, say).";

bool Trusted(const Account& account) {
    if (account.runsThis) return true;
    for (std::string_view sid : kSystemAccounts) {
        if (account.sid == sid) return true;
    }
    return false;
}

std::string WhatItAllows(std::uint32_t rights) {
    return (rights & file_right::kAddFile) && !(rights & kRightsToReplace)
               ? "add files to it"
               : "change or replace it or what is in it";
}

}  // namespace

std::optional<std::string> UntrustedBecause(std::string_view path, const Ownership& ownership,
                                            std::uint32_t rights) {
    if (!Trusted(ownership.owner)) {
        return Quoted(path) + " belongs to " + ownership.owner.name +
               ", not to SYSTEM or the administrators, who could change or replace the log. An "
               "administrator should delete it, or take ownership of it and remove other "
               "accounts' rights to change it, or choose a log folder only administrators can "
               "change" +
               std::string(kElsewhere);
    }
    if (ownership.everyoneMayDoAnything) {
        return Quoted(path) +
               " has no access control list, so anyone may change or replace it. An "
               "administrator should give it one, or choose another log folder" +
               std::string(kElsewhere);
    }
    for (const AccessGrant& grant : ownership.grants) {
        const std::uint32_t granted = grant.rights & rights;
        if (granted == 0 || Trusted(grant.trustee)) continue;
        return Quoted(path) + " lets " + grant.trustee.name + " " + WhatItAllows(granted) +
               ". An administrator should remove that right, or choose another log folder" +
               std::string(kElsewhere);
    }
    return std::nullopt;
}

std::optional<std::string> UntrustedOwnerOfFile(const Ownership& ownership) {
    if (Trusted(ownership.owner)) return std::nullopt;
    return std::string("the file belongs to ").append(ownership.owner.name) +
           ", not to SYSTEM or the administrators. An administrator should delete it, or choose "
           "another log file" +
           std::string(kElsewhere);
}

}  // namespace qar
