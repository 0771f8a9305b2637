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

// What a path names, seen without following a link at its last step: a junction, a symbolic
// link or any other reparse point is a link.
enum class PathKind { kMissing, kFile, kFolder, kLink, kOther };

// A log opened for appending; each event becomes one line, stamped with the local time.
class LogFile {
  public:
    virtual ~LogFile() = default;
    virtual void Append(std::string_view event) = 0;
    // What was opened, read from the open file itself: kLink for a link, kOther for anything
    // but a file on a disk.
    virtual PathKind Kind() const = 0;
    virtual std::uint32_t HardLinks() const = 0;
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
    virtual Result<PathKind> Inspect(std::string_view path) = 0;
    // One folder, whose parent exists, with `security` (a descriptor in the system's string form).
    virtual Win32Error CreateFolder(std::string_view path, std::string_view security) = 0;
    // Opens (or creates) a text file to append to; what is in it stays. A link at the last step
    // is opened itself, not followed; the folders on the way are held while the file opens, so
    // none can be swapped for a link meanwhile, and one that is a link fails the open with
    // kReparsePointEncountered.
    virtual Result<std::unique_ptr<LogFile>> OpenLog(std::string_view path) = 0;
};

// Switches the calling thread's WOW64 file-system redirection off for its lifetime, so that a
// 32-bit process on 64-bit Windows reaches the real System32 rather than SysWOW64; on again
// however the scope is left. A 64-bit process has no redirection, and the switch does nothing.
class Wow64RedirectionOff {
  public:
    explicit Wow64RedirectionOff(FileSystem& files) : files_(files) {
        files_.EnableWow64Redirection(false);
    }
    ~Wow64RedirectionOff() { files_.EnableWow64Redirection(true); }
    Wow64RedirectionOff(const Wow64RedirectionOff&) = delete;
    Wow64RedirectionOff& operator=(const Wow64RedirectionOff&) = delete;

  private:
    FileSystem& files_;
};

}  // namespace qar
