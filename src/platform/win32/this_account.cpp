#include "platform/win32/this_account.h"

#include "platform/win32/handle_traits.h"

namespace qar::win32 {

namespace {

std::vector<BYTE> Query(HANDLE token, TOKEN_INFORMATION_CLASS what) {
    DWORD size = 0;
    GetTokenInformation(token, what, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token, what, buffer.data(), size, &size)) return {};
    return buffer;
}

}  // namespace

ThisAccount::ThisAccount() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    const UniqueKernelObject tokenHandle(token);
    user_ = Query(token, TokenUser);
    owner_ = Query(token, TokenOwner);
}

bool ThisAccount::Is(PSID sid) const {
    return (!user_.empty() &&
            EqualSid(sid, reinterpret_cast<const TOKEN_USER*>(user_.data())->User.Sid)) ||
           (!owner_.empty() &&
            EqualSid(sid, reinterpret_cast<const TOKEN_OWNER*>(owner_.data())->Owner));
}

}  // namespace qar::win32
