// INI reading over the fake file system's contents.
#pragma once

#include "fakes/fake_control.h"
#include "fakes/fake_files.h"
#include "platform/profile.h"

namespace qar::fake {

class FakeProfile final : public Profile {
  public:
    FakeProfile(FakeControl& control, FakeFileSystem& files) : control_(control), files_(files) {}

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback, std::string_view path,
                           std::uint32_t capacity) override;

  private:
    FakeControl& control_;
    FakeFileSystem& files_;
};

}  // namespace qar::fake
