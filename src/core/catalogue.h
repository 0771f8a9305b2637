// The catalogue: the models the selection offers and the files of the driver package, literal
// and in their order. The package holds data files of models the selection does not offer, so
// neither list is derived from the other. The test stage and harness read this file.
#pragma once

#include <array>
#include <string_view>

namespace qar {

// The models of the selection, in the order they are added to its list.
inline constexpr std::array<std::string_view, 21> kModelNames = {
    "Tolvar-60",    "Corvel 24",     "Corvel 24 LX",    "Corvel Pro-60",    "Corvel Pro-132",
    "HaldenII-61",  "HaldenII-101",  "HaldenII-132",    "HaldenIV-61",      "HaldenIV-101",
    "HaldenIV-132", "HaldenIV-183",  "FerraII Plus-60", "FerraII Plus-132", "FerraIII-60",
    "FerraIII-132", "FerraIII-60DX", "FerraIII-132DX",  "Nolle-60",         "Ristan-165",
    "Ristan-183",
};

// The package files that the clean-up removes from the driver directory, in deletion order.
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

}  // namespace qar
