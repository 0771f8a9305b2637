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
    // One write; gives up after boundMilliseconds (a device that takes no data fails it with 995).
    virtual Result<std::uint32_t> Write(std::span<const std::uint8_t> bytes,
                                        std::uint32_t boundMilliseconds) = 0;
    // One read of at most maxBytes; gives up after boundMilliseconds (no data is then no reply).
    virtual Result<std::vector<std::uint8_t>> Read(std::uint32_t maxBytes,
                                                   std::uint32_t boundMilliseconds) = 0;
};

// What a path names, seen without following a link at its last step. Only a reparse point that
// names another place (a name surrogate: a junction, a symbolic link) is a link; any other (a
// deduplicated file, a cloud placeholder) is the file or folder it holds.
enum class PathKind { kMissing, kFile, kFolder, kLink, kOther };

// The kind that file attributes (FILE_ATTRIBUTE_...) and a reparse tag give.
PathKind KindFromAttributes(std::uint32_t attributes, std::uint32_t reparseTag);

// An account as a security descriptor names it.
struct Account {
    std::string name;       // "DOMAIN\user", or the SID when it has no name
    std::string sid;        // "S-1-5-18"
    bool runsThis = false;  // the account this process runs as (its user or its default owner)
};

// Rights of an allow entry, as the file system's own rights (generic ones mapped).
namespace file_right {
inline constexpr std::uint32_t kAddFile = 0x2;            // FILE_ADD_FILE
inline constexpr std::uint32_t kDeleteChild = 0x40;       // FILE_DELETE_CHILD
inline constexpr std::uint32_t kWriteAttributes = 0x100;  // FILE_WRITE_ATTRIBUTES
inline constexpr std::uint32_t kDelete = 0x10000;         // DELETE
inline constexpr std::uint32_t kWriteDac = 0x40000;       // WRITE_DAC
inline constexpr std::uint32_t kWriteOwner = 0x80000;     // WRITE_OWNER
}  // namespace file_right

struct AccessGrant {
    Account trustee;
    std::uint32_t rights = 0;
};

// Who owns a file or folder and who may change it: the owner and the allow entries that apply to
// the object itself (inherit-only ones do not).
struct Ownership {
    Account owner;
    bool everyoneMayDoAnything = false;  // no access control list at all
    std::vector<AccessGrant> grants;
};

// What an open file or folder is, read from its handle rather than from its path.
struct HandleFacts {
    PathKind kind = PathKind::kMissing;
    bool reparsePoint = false;  // a reparse point of any kind, a link or not
    // Where it really is, every link resolved, as the system names it (UTF-16).
    std::u16string finalPath;
    std::uint32_t hardLinks = 1;
    Ownership ownership;
};

class LogFile;

// A folder held open without delete sharing: until the object goes it can be neither renamed
// nor removed, so no link can take its place.
class HeldFolder {
  public:
    virtual ~HeldFolder() = default;
    virtual const HandleFacts& Facts() const = 0;
    // The folder `name` directly inside this one, opened through this handle, so that no path is
    // resolved again, and made with `security` (the system's string form) when missing. A link
    // at its place is held itself, not followed. Fails with 267 where a file is.
    virtual Result<std::unique_ptr<HeldFolder>> HoldChild(std::string_view name,
                                                          std::string_view security) = 0;
    // The log file `name` in this folder, opened or created through this handle as OpenLog does;
    // a folder of that name is opened too, for its facts to say so.
    virtual Result<std::unique_ptr<LogFile>> OpenLogChild(std::string_view name) = 0;
    // Whether HoldChild made it.
    virtual bool Made() const = 0;
    // Deletes, through the handle and never by path, a folder HoldChild made.
    virtual void DeleteIfMade() = 0;
};

// A log opened for appending.
class LogFile {
  public:
    virtual ~LogFile() = default;
    // One whole line, in one write: runs that share the log never split each other's lines.
    virtual void Append(std::string_view line) = 0;
    // Read from the handle after the open, so that a file the open made can be taken back when
    // they cannot be read.
    virtual Result<HandleFacts> ReadFacts() = 0;
    // Whether the open made the file.
    virtual bool Created() const = 0;
    // Deletes, through the open handle and never by path, the file the open made.
    virtual void DeleteIfCreated() = 0;
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
    // A link at the folder's place is held itself, not followed.
    virtual Result<std::unique_ptr<HeldFolder>> HoldFolder(std::string_view path) = 0;
    // Opens (or creates) a text file to append to; what is in it stays. A link at the last step is
    // opened itself, not followed.
    virtual Result<std::unique_ptr<LogFile>> OpenLog(std::string_view path) = 0;
    // A text as the A functions pass it on: converted from the ANSI code page to UTF-16.
    virtual std::u16string FromAnsi(std::string_view text) const = 0;
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
