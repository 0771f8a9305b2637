// The package files that the clean-up removes from the driver directory, in deletion order.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qar {

inline constexpr std::array<std::string_view, 33> kPackageFileNames = {
    "~QarUDev.dat",    "Tolvar-60.INI",     "Mirren-60.INI",       "Corvel 24 LX.INI",
    "Corvel 24.INI",   "Corvel Pro-60.INI", "Corvel Pro-132.INI",  "KT4_CAl.dll",
    "KT4_CAlUI.dll",   "KT4C_Beta.dll",     "KT4C_BetaUI.dll",     "Kt4lng.ini",
    "Qarui.hlp",       "HaldenII-61.INI",   "HaldenII-101.INI",    "HaldenII-132.INI",
    "HaldenIV-61.INI", "HaldenIV-101.INI",  "HaldenIV-132.INI",    "HaldenIV-183.INI",
    "FerraII-60.INI",  "FerraII-132.INI",   "FerraII Plus-60.INI", "FerraII Plus-132.INI",
    "FerraIII-60.INI", "FerraIII-60DX.INI", "FerraIII-132.INI",    "FerraIII-132DX.INI",
    "Nolle-60.INI",    "usb_AVI.avi",       "UsbDetect_32.exe",    "Ristan-165.INI",
    "Ristan-183.INI",
};

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
