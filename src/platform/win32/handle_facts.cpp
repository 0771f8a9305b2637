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

// The SID of an allow entry: after the mask in a plain one; in an object one after its flags and
// the object-type GUIDs those flags name.
PSID SidOfAllowEntry(void* entry) {
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    if (header->AceType == ACCESS_ALLOWED_ACE_TYPE ||
        header->AceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE) {
        return &static_cast<ACCESS_ALLOWED_ACE*>(entry)->SidStart;
    }
    auto* object = static_cast<ACCESS_ALLOWED_OBJECT_ACE*>(entry);
    auto* sid = reinterpret_cast<BYTE*>(&object->ObjectType);
    if (object->Flags & ACE_OBJECT_TYPE_PRESENT) sid += sizeof(GUID);
    if (object->Flags & ACE_INHERITED_OBJECT_TYPE_PRESENT) sid += sizeof(GUID);
    return sid;
}

bool IsAllowEntry(BYTE type) {
    return type == ACCESS_ALLOWED_ACE_TYPE || type == ACCESS_ALLOWED_CALLBACK_ACE_TYPE ||
           type == ACCESS_ALLOWED_OBJECT_ACE_TYPE ||
           type == ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE;
}

// The allow entries that apply to the object itself, with generic rights as file rights. Every
// kind begins with its header and mask.
std::vector<AccessGrant> GrantsOf(const ACL& dacl, const ThisAccount& self) {
    GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                            FILE_ALL_ACCESS};
    std::vector<AccessGrant> grants;
    for (DWORD index = 0; index < dacl.AceCount; ++index) {
        void* entry = nullptr;
        if (!GetAce(const_cast<ACL*>(&dacl), index, &entry)) continue;
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceFlags & INHERIT_ONLY_ACE) continue;
        if (!IsAllowEntry(header->AceType)) continue;
        DWORD rights = static_cast<ACCESS_ALLOWED_ACE*>(entry)->Mask;
        MapGenericMask(&rights, &mapping);
        grants.push_back({AccountOf(SidOfAllowEntry(entry), self), rights});
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
// Windows, not under Wine. In UTF-16, as the system holds it: no ANSI conversion can make two
// names one.
Result<std::u16string> FinalPathOf(HANDLE handle) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFinalPathNameByHandleW(
            handle, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
        if (length == 0) return Failure{LastError()};
        if (length < path.size()) return std::u16string(path.begin(), path.begin() + length);
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
    facts.reparsePoint = (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
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
