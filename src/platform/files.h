// File services: copies, deletions, the system folders and device files.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace qar {

// An open device; closing it is the destructor's job.
class DeviceFile {
  public:
    virtual ~DeviceFile() = default;
    virtual Result<std::uint32_t> Write(std::span<const std::uint8_t> bytes) = 0;
    // One read of at most maxBytes; gives up after boundMilliseconds (no data is then no reply).
    virtual Result<std::vector<std::uint8_t>> Read(std::uint32_t maxBytes,
                                                   std::uint32_t boundMilliseconds) = 0;
};

// A log opened for appending; each event becomes one line, stamped with the local time.
class LogFile {
  public:
    virtual ~LogFile() = default;
    virtual void Append(std::string_view event) = 0;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    virtual Win32Error Copy(std::string_view from, std::string_view to, bool failIfExists) = 0;
    virtual Win32Error Remove(std::string_view path) = 0;
    // Each fails with 122 when the folder does not fit its buffer (260 and 256 bytes).
    virtual Result<std::string> WindowsDirectory() = 0;
    virtual Result<std::string> SystemDirectory() = 0;
    // Switches the calling thread's WOW64 file-system redirection; true when the switch took.
    virtual bool EnableWow64Redirection(bool enable) = 0;
    virtual Result<std::unique_ptr<DeviceFile>> OpenDevice(std::string_view path) = 0;
    // Opens (or creates) a text file to append to; what is in it stays.
    virtual Result<std::unique_ptr<LogFile>> OpenLog(std::string_view path) = 0;
};

}  // namespace qar
