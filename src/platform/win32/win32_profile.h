#pragma once

#include "platform/profile.h"

namespace qar::win32 {

class Win32Profile final : public Profile {
  public:
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback, std::string_view path,
                           std::uint32_t capacity) override;
};

}  // namespace qar::win32
