// The package files that the clean-up removes, as the install state lists them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/catalogue.h"

namespace qar {

class PackageFileList {
  public:
    void Append(std::string_view name) { names_.emplace_back(name); }
    void RemoveAll() { names_.clear(); }
    std::size_t Count() const { return names_.size(); }
    const std::string& At(std::size_t index) const { return names_.at(index); }

    // Appends the package's names in their order; a second call appends a second copy.
    void AppendPackageNames();

  private:
    std::vector<std::string> names_;
};

}  // namespace qar
