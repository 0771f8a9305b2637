// The account this process runs as, read once from its token.
#pragma once

#include <windows.h>

#include <vector>

namespace qar::win32 {

// The token's user and default owner: what this run makes belongs to one of them.
class ThisAccount {
  public:
    ThisAccount();
    bool Is(PSID sid) const;

  private:
    std::vector<BYTE> user_;
    std::vector<BYTE> owner_;
};

}  // namespace qar::win32
