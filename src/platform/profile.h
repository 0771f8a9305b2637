// INI profile reading.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qar {

class Profile {
  public:
    virtual ~Profile() = default;
    // GetPrivateProfileStringA into a buffer of `capacity` characters (at most capacity - 1 kept).
    virtual std::string ReadString(std::string_view section, std::string_view key,
                                   std::string_view fallback, std::string_view path,
                                   std::uint32_t capacity) = 0;
};

}  // namespace qar
