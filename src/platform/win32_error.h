// Win32 error codes as plain values: they cross the platform seam as data, never as exceptions.
#pragma once

#include <cstdint>

namespace qar {

using Win32Error = std::uint32_t;

namespace win32_error {
inline constexpr Win32Error kSuccess = 0;
inline constexpr Win32Error kFileNotFound = 2;
inline constexpr Win32Error kPathNotFound = 3;
inline constexpr Win32Error kAccessDenied = 5;
inline constexpr Win32Error kInvalidHandle = 6;
inline constexpr Win32Error kNotSupported = 50;
inline constexpr Win32Error kNotEnoughMemory = 8;
inline constexpr Win32Error kFileExists = 80;
inline constexpr Win32Error kInvalidParameter = 87;
inline constexpr Win32Error kInsufficientBuffer = 122;
inline constexpr Win32Error kModuleNotFound = 126;
inline constexpr Win32Error kAlreadyExists = 183;
inline constexpr Win32Error kFilenameExceedsRange = 206;
inline constexpr Win32Error kMoreData = 234;
inline constexpr Win32Error kNoMoreItems = 259;
inline constexpr Win32Error kNotADirectory = 267;  // ERROR_DIRECTORY
inline constexpr Win32Error kOperationAborted = 995;
inline constexpr Win32Error kUnknownPrinterDriver = 1797;
inline constexpr Win32Error kUnknownPrintProcessor = 1798;
inline constexpr Win32Error kInvalidPrinterName = 1801;
inline constexpr Win32Error kPrinterAlreadyExists = 1802;
inline constexpr Win32Error kInvalidEnvironment = 1805;
inline constexpr Win32Error kUnknownPort = 1796;
inline constexpr Win32Error kUnknownMonitor = 3000;
inline constexpr Win32Error kPrinterDriverInUse = 3001;
inline constexpr Win32Error kPrinterMonitorAlreadyInstalled = 3006;
}  // namespace win32_error

}  // namespace qar
