// An in-memory file system (case-insensitive paths) with scripted USB devices.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fakes/fake_control.h"
#include "platform/files.h"

namespace qar::fake {

struct FakeDevice {
    std::vector<std::uint8_t> reply;  // what one read returns
    bool mute = false;                // a read that gives nothing until the bound
    bool refusesData = false;         // a write that takes nothing until the bound
    std::vector<std::uint8_t> received;
};

// Owned by SYSTEM; SYSTEM and the administrators may change it, users may read it.
Ownership SystemOwned();
// ProgramData's own: users may also add files and folders, but not replace or delete them.
Ownership ProgramDataOwnership();

class FakeFileSystem final : public FileSystem {
  public:
    explicit FakeFileSystem(FakeControl& control) : control_(control) {}

    Win32Error Copy(std::string_view from, std::string_view to, bool failIfExists) override;
    Win32Error Remove(std::string_view path) override;
    Result<std::string> WindowsDirectory() override;
    Result<std::string> SystemDirectory() override;
    bool EnableWow64Redirection(bool enable) override;
    Result<std::unique_ptr<DeviceFile>> OpenDevice(std::string_view path) override;
    // A folder exists when it is listed in `folders` or holds a file of `files`.
    Result<PathKind> Inspect(std::string_view path) override;
    Win32Error CreateFolder(std::string_view path, std::string_view security) override;
    Result<std::unique_ptr<HeldFolder>> HoldFolder(std::string_view path) override;
    // The log's lines land in `files` without time stamps, where the path really leads.
    Result<std::unique_ptr<LogFile>> OpenLog(std::string_view path) override;
    // As code page 1252 converts.
    std::u16string FromAnsi(std::string_view text) const override;

    std::string windowsDirectory = "C:\\windows";
    std::string systemDirectory = "C:\\windows\\system32";
    bool redirectionEnabled = true;
    // The program under test is the 32-bit one: while redirection is on, its System32 is
    // SysWOW64 (system32\spool exempt). `files` holds where things really are.
    bool wow64Process = true;
    std::map<std::string, std::string, CaseInsensitiveLess> files;
    std::map<std::string, FakeDevice, CaseInsensitiveLess> devices;
    std::set<std::string, CaseInsensitiveLess> folders;
    std::map<std::string, std::string, CaseInsensitiveLess> folderSecurity;  // of those made
    // Junctions and symbolic links, file or folder, and where each leads: opening a path follows
    // every one but the last step's.
    std::map<std::string, std::string, CaseInsensitiveLess> links;
    std::map<std::string, std::uint32_t, CaseInsensitiveLess> hardLinks;  // when more than one
    // Reparse points that name no other place (a deduplicated file, a cloud placeholder).
    std::set<std::string, CaseInsensitiveLess> reparsePoints;
    // Owners and access of what is there; anything not listed is SystemOwned(). What the run
    // makes belongs to `thisAccount`, with the access its descriptor gives.
    std::map<std::string, Ownership, CaseInsensitiveLess> ownership;
    Account thisAccount{"BUILTIN\\Administrators", "S-1-5-32-544", true};
    // Empty folders that their owner turns into a junction to the given place once they are
    // held: holding a folder stops renames and deletions, not that.
    std::map<std::string, std::string, CaseInsensitiveLess> turnedIntoJunctionWhenHeld;
    // Missing folders that another account makes, as a link to the given place, right after the
    // run first looks and finds nothing there.
    std::map<std::string, std::string, CaseInsensitiveLess> linkedOnceFoundMissing;

    bool Exists(std::string_view path) const { return files.find(path) != files.end(); }
    // The driver's own files, which the outer setup leaves in the driver directory beside the
    // package (which holds the models' INI files).
    void StageDriverFiles(const std::string& directory) {
        for (const char* name : {"KT4_cx64.dll", "KT4_cx64UI.dll", "QARUI.HLP"}) {
            files[directory + "\\" + name] = "driver";
        }
    }
    std::optional<std::string> Content(std::string_view path) const;

    // Where a path leads once every link on its way is followed (the last step's too if asked).
    std::string Resolved(std::string_view path, bool lastStepToo) const;

    // OpenLog, but a folder at the path is opened too (a relative open without the non-directory
    // option), for its facts to say what it is.
    Result<std::unique_ptr<LogFile>> OpenLogAt(std::string_view path, bool foldersOpen);
    // Plants the link of `linkedOnceFoundMissing` when the run first finds `path` missing.
    void PlantIfFoundMissing(const std::string& path);

    // Where a path of the program's leads on the disk, WOW64 redirection applied.
    std::string Physical(std::string_view path) const;

  private:
    bool FolderExists(std::string_view path) const;
    HandleFacts FactsOf(std::string_view path) const;
    Ownership OwnershipOf(std::string_view path) const;

    FakeControl& control_;
};

}  // namespace qar::fake
