#include "platform/win32/handle_facts.h"

#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "platform/win32/handle_traits.h"
#include "platform/win32/this_account.h"

namespace qar::win32 {

namespace {

std::string SidText(PSID sid) {
    char* text = nullptr;
    if (!ConvertSidToStringSidA(sid, &text)) return "an unknown account";
    const UniqueLocalMemory memory(text);
    return text;
}

Account AccountOf(PSID sid, const ThisAccount& self) {
    Account account{{}, SidText(sid), self.Is(sid)};
    char name[256] = {};
    char domain[256] = {};
    DWORD nameSize = sizeof name;
    DWORD domainSize = sizeof domain;
    SID_NAME_USE use{};
    if (LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use)) {
        account.name = domain[0] ? std::string(domain) + "\\" + name : std::string(name);
    } else {
        account.name = account.sid;
    }
    return account;
}

// The allow entries that apply to the object itself, with generic rights as file rights.
std::vector<AccessGrant> GrantsOf(const ACL& dacl, const ThisAccount& self) {
    GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                            FILE_ALL_ACCESS};
    std::vector<AccessGrant> grants;
    for (DWORD index = 0; index < dacl.AceCount; ++index) {
        void* entry = nullptr;
        if (!GetAce(const_cast<ACL*>(&dacl), index, &entry)) continue;
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceFlags & INHERIT_ONLY_ACE) continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE &&
            header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE) {
            continue;
        }
        // Both types begin alike: header, mask, then the SID.
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        DWORD rights = allowed->Mask;
        MapGenericMask(&rights, &mapping);
        grants.push_back({AccountOf(&allowed->SidStart, self), rights});
    }
    return grants;
}

Result<Ownership> OwnershipOf(HANDLE handle) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD read = GetSecurityInfo(handle, SE_FILE_OBJECT,
                                       OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                       &owner, nullptr, &dacl, nullptr, &descriptor);
    if (read != ERROR_SUCCESS) return Failure{static_cast<Win32Error>(read)};
    const UniqueLocalMemory memory(descriptor);
    const ThisAccount self;
    Ownership ownership;
    ownership.owner = AccountOf(owner, self);
    ownership.everyoneMayDoAnything = dacl == nullptr;
    if (dacl) ownership.grants = GrantsOf(*dacl, self);
    return ownership;
}

// Grown until it fits: the size a short buffer is answered with counts the terminator on
// Windows, not under Wine.
Result<std::string> FinalPathOf(HANDLE handle) {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetFinalPathNameByHandleA(
            handle, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
        if (length == 0) return Failure{LastError()};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length + 1);
    }
}

}  // namespace

Result<HandleFacts> FactsOfHandle(HANDLE handle) {
    HandleFacts facts;
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag)) {
        return Failure{LastError()};
    }
    facts.kind = GetFileType(handle) == FILE_TYPE_DISK
                     ? KindFromAttributes(tag.FileAttributes, tag.ReparseTag)
                     : PathKind::kOther;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(handle, &information)) return Failure{LastError()};
    facts.hardLinks = information.nNumberOfLinks;
    auto finalPath = FinalPathOf(handle);
    if (!finalPath) return Failure{finalPath.error()};
    facts.finalPath = std::move(*finalPath);
    auto ownership = OwnershipOf(handle);
    if (!ownership) return Failure{ownership.error()};
    facts.ownership = std::move(*ownership);
    return facts;
}

Result<PathKind> KindAtPath(const std::string& path) {
    // The directory entry itself: its reparse tag comes with it, nothing is opened or followed.
    WIN32_FIND_DATAA found{};
    const UniqueFind search(FindFirstFileA(path.c_str(), &found));
    if (!search) {
        const Win32Error error = LastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return PathKind::kMissing;
        }
        return Failure{error};
    }
    const DWORD tag =
        (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? found.dwReserved0 : 0;
    return KindFromAttributes(found.dwFileAttributes, tag);
}

}  // namespace qar::win32
