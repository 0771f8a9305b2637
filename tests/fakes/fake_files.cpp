#include "fakes/fake_files.h"

#include <algorithm>

#include "platform/file_path.h"

namespace qar::fake {

namespace {

class FakeDeviceFile final : public DeviceFile, private CountedHandle {
  public:
    FakeDeviceFile(FakeControl& control, FakeDevice& device, std::string path)
        : CountedHandle(control), device_(device), path_(std::move(path)) {}
    ~FakeDeviceFile() override { control_.Record("CloseHandle(" + path_ + ")"); }

    Result<std::uint32_t> Write(std::span<const std::uint8_t> bytes,
                                std::uint32_t boundMilliseconds) override {
        control_.Record("WriteFile(" + path_ + ", " + std::to_string(bytes.size()) + ", " +
                        std::to_string(boundMilliseconds) + ")");
        if (auto failure = control_.InjectedFailure("WriteFile")) return Failure{*failure};
        if (device_.refusesData) return Failure{win32_error::kOperationAborted};
        device_.received.insert(device_.received.end(), bytes.begin(), bytes.end());
        return static_cast<std::uint32_t>(bytes.size());
    }

    Result<std::vector<std::uint8_t>> Read(std::uint32_t maxBytes,
                                           std::uint32_t boundMilliseconds) override {
        control_.Record("ReadFile(" + path_ + ", " + std::to_string(maxBytes) + ", " +
                        std::to_string(boundMilliseconds) + ")");
        if (auto failure = control_.InjectedFailure("ReadFile")) return Failure{*failure};
        if (device_.mute) return Failure{win32_error::kOperationAborted};
        std::vector<std::uint8_t> reply = device_.reply;
        if (reply.size() > maxBytes) reply.resize(maxBytes);
        return reply;
    }

  private:
    FakeDevice& device_;
    std::string path_;
};

}  // namespace

Win32Error FakeFileSystem::Copy(std::string_view from, std::string_view to, bool failIfExists) {
    control_.Record("CopyFile(" + std::string(from) + ", " + std::string(to) + ")");
    if (auto failure = control_.InjectedFailure("CopyFile")) return *failure;
    auto source = files.find(Physical(from));
    if (source == files.end()) return win32_error::kFileNotFound;
    const std::string target = Physical(to);
    if (failIfExists && Exists(target)) return win32_error::kFileExists;
    files[target] = source->second;
    return win32_error::kSuccess;
}

Win32Error FakeFileSystem::Remove(std::string_view path) {
    control_.Record("DeleteFile(" + std::string(path) + ")");
    if (auto failure = control_.InjectedFailure("DeleteFile")) return *failure;
    auto found = files.find(Physical(path));
    if (found == files.end()) return win32_error::kFileNotFound;
    files.erase(found);
    return win32_error::kSuccess;
}

Result<std::string> FakeFileSystem::WindowsDirectory() {
    control_.Record("GetWindowsDirectory()");
    if (auto failure = control_.InjectedFailure("GetWindowsDirectory")) return Failure{*failure};
    if (windowsDirectory.size() + 1 > 260) return Failure{win32_error::kInsufficientBuffer};
    return windowsDirectory;
}

Result<std::string> FakeFileSystem::SystemDirectory() {
    control_.Record("GetSystemDirectory()");
    if (auto failure = control_.InjectedFailure("GetSystemDirectory")) return Failure{*failure};
    if (systemDirectory.size() + 1 > 256) return Failure{win32_error::kInsufficientBuffer};
    return systemDirectory;
}

bool FakeFileSystem::EnableWow64Redirection(bool enable) {
    control_.Record(std::string("Wow64EnableWow64FsRedirection(") + (enable ? "on" : "off") + ")");
    if (control_.InjectedFailure("Wow64EnableWow64FsRedirection")) return false;
    redirectionEnabled = enable;
    return true;
}

Result<std::unique_ptr<DeviceFile>> FakeFileSystem::OpenDevice(std::string_view path) {
    control_.Record("CreateFile(" + std::string(path) + ")");
    if (auto failure = control_.InjectedFailure("CreateFile")) return Failure{*failure};
    auto found = devices.find(path);
    if (found == devices.end()) return Failure{win32_error::kFileNotFound};
    return std::unique_ptr<DeviceFile>(
        std::make_unique<FakeDeviceFile>(control_, found->second, std::string(path)));
}

std::u16string FakeFileSystem::FromAnsi(std::string_view text) const {
    // Code page 1252 is ISO 8859-1 but for 0x80-0x9F; the five it leaves undefined stay as they
    // are, as MultiByteToWideChar gives them.
    static constexpr char16_t k80To9F[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::u16string wide;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        wide.push_back(byte >= 0x80 && byte <= 0x9F ? k80To9F[byte - 0x80] : char16_t{byte});
    }
    return wide;
}

std::optional<std::string> FakeFileSystem::Content(std::string_view path) const {
    auto found = files.find(path);
    if (found == files.end()) return std::nullopt;
    return found->second;
}

namespace {

constexpr std::uint32_t kAllAccess = 0x1F01FF;       // FA
constexpr std::uint32_t kReadAndExecute = 0x1200A9;  // FRFX
const Account kSystem{"NT AUTHORITY\\SYSTEM", "S-1-5-18", false};
const Account kAdministrators{"BUILTIN\\Administrators", "S-1-5-32-544", false};
const Account kUsers{"BUILTIN\\Users", "S-1-5-32-545", false};

class FakeLogFile final : public LogFile, private CountedHandle {
  public:
    FakeLogFile(FakeControl& control,
                std::map<std::string, std::string, CaseInsensitiveLess>& files, std::string where,
                HandleFacts facts, bool created)
        : CountedHandle(control),
          files_(files),
          where_(std::move(where)),
          facts_(std::move(facts)),
          created_(created) {
        if (created_) files_[where_];
    }
    void Append(std::string_view line) override { files_[where_] += line; }
    Result<HandleFacts> ReadFacts() override {
        if (auto failure = control_.InjectedFailure("GetFinalPathNameByHandle")) {
            return Failure{*failure};
        }
        return facts_;
    }
    bool Created() const override { return created_; }
    void DeleteIfCreated() override {
        if (created_) files_.erase(where_);
    }

  private:
    std::map<std::string, std::string, CaseInsensitiveLess>& files_;
    std::string where_;
    HandleFacts facts_;
    bool created_;
};

// Relative opens go through the file system's own calls on the held folder's real place, so a
// link set on the folder since it was held is followed: the race a junction made in place may
// win, which the final-path proofs must catch.
class FakeHeldFolder final : public HeldFolder, private CountedHandle {
  public:
    FakeHeldFolder(FakeControl& control, FakeFileSystem& files, std::string where,
                   HandleFacts facts)
        : CountedHandle(control),
          files_(files),
          where_(std::move(where)),
          facts_(std::move(facts)) {}
    const HandleFacts& Facts() const override { return facts_; }

    Result<std::unique_ptr<HeldFolder>> HoldChild(std::string_view name,
                                                  std::string_view security) override {
        const std::string child = Child(name);
        files_.PlantIfFoundMissing(child);
        const Win32Error made = files_.CreateFolder(child, security);
        if (made != win32_error::kSuccess && made != win32_error::kAlreadyExists) {
            return Failure{made};
        }
        if (files_.Exists(files_.Resolved(child, false)))
            return Failure{win32_error::kNotADirectory};
        auto held = files_.HoldFolder(child);
        if (held && made == win32_error::kSuccess) {
            static_cast<FakeHeldFolder&>(**held).made_ = true;
        }
        return held;
    }
    Result<std::unique_ptr<LogFile>> OpenLogChild(std::string_view name) override {
        return files_.OpenLogAt(Child(name), true);
    }
    bool Made() const override { return made_; }
    void DeleteIfMade() override {
        if (!made_) return;
        files_.folders.erase(where_);
        files_.folderSecurity.erase(where_);
        files_.ownership.erase(where_);
    }

  private:
    std::string Child(std::string_view name) const {
        return where_ + (where_.ends_with('\\') ? "" : "\\") + std::string(name);
    }

    FakeFileSystem& files_;
    std::string where_;
    HandleFacts facts_;
    bool made_ = false;
};

std::string_view Parent(std::string_view path) {
    const std::size_t last = path.rfind('\\');
    return last == std::string_view::npos ? std::string_view() : path.substr(0, last);
}

// The allow entries of a descriptor in string form, e.g. "D:P(A;OICI;FA;;;SY)", as the fake
// knows its rights (FA, FRFX) and trustees (SY, BA, BU).
std::vector<AccessGrant> GrantsOf(std::string_view sddl) {
    std::vector<AccessGrant> grants;
    for (std::size_t open = sddl.find('('); open != std::string_view::npos;
         open = sddl.find('(', open + 1)) {
        const std::string_view ace = sddl.substr(open + 1, sddl.find(')', open) - open - 1);
        const std::string_view rights = ace.substr(ace.find(';', 2) + 1);
        const std::string_view trustee = ace.substr(ace.rfind(';') + 1);
        const Account& account = trustee == "SY"   ? kSystem
                                 : trustee == "BA" ? kAdministrators
                                                   : kUsers;
        grants.push_back({account, rights.starts_with("FA;") ? kAllAccess : kReadAndExecute});
    }
    return grants;
}

}  // namespace

Ownership SystemOwned() {
    return {kSystem,
            false,
            {{kSystem, kAllAccess}, {kAdministrators, kAllAccess}, {kUsers, kReadAndExecute}}};
}

Ownership ProgramDataOwnership() {
    Ownership programData = SystemOwned();
    // FILE_ADD_FILE, FILE_ADD_SUBDIRECTORY, FILE_WRITE_EA, FILE_WRITE_ATTRIBUTES
    programData.grants.push_back({kUsers, 0x116});
    return programData;
}

bool FakeFileSystem::FolderExists(std::string_view path) const {
    if ((path.size() == 2 || (path.size() == 3 && path[2] == '\\')) && path[1] == ':') {
        return true;  // a drive's root
    }
    if (folders.contains(path)) return true;
    const std::string inside = std::string(path) + "\\";
    const auto next = files.lower_bound(inside);
    return next != files.end() && EqualsIgnoringCase(next->first.substr(0, inside.size()), inside);
}

// File System Redirector: %windir%\System32 is SysWOW64 for a 32-bit process while redirection is
// on; %windir%\System32\spool is among the folders exempted.
std::string FakeFileSystem::Physical(std::string_view path) const {
    // Win32 paths: blanks and dots go from the end of the last step only.
    while (!path.empty() && (path.back() == ' ' || path.back() == '.')) path.remove_suffix(1);
    const std::string system = systemDirectory + "\\";
    const auto under = [&](const std::string& folder) {
        return path.size() >= folder.size() &&
               EqualsIgnoringCase(path.substr(0, folder.size()), folder);
    };
    if (!wow64Process || !redirectionEnabled || !under(system) || under(system + "spool\\")) {
        return std::string(path);
    }
    return windowsDirectory + "\\SysWOW64\\" + std::string(path.substr(system.size()));
}

std::string FakeFileSystem::Resolved(std::string_view raw, bool lastStepToo) const {
    const std::string physical = Physical(raw);
    std::string_view path = physical;
    // Win32 paths: a device name in any step names the device.
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        const std::string_view step = path.substr(start, end - start);
        if (IsDeviceName(*this, step))
            return "\\\\.\\" + std::string(step.substr(0, step.find('.')));
        start = end + 1;
    }
    std::string resolved;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find('\\', start);
        resolved += path.substr(start, end == std::string_view::npos ? end : end - start);
        const bool last = end == std::string_view::npos;
        const auto link = links.find(resolved);
        if (link != links.end() && (!last || lastStepToo)) resolved = link->second;
        if (last) return resolved;
        resolved += '\\';
        start = end + 1;
    }
}

Ownership FakeFileSystem::OwnershipOf(std::string_view path) const {
    const auto listed = ownership.find(path);
    return listed == ownership.end() ? SystemOwned() : listed->second;
}

HandleFacts FakeFileSystem::FactsOf(std::string_view path) const {
    HandleFacts facts;
    facts.kind = links.contains(path)     ? PathKind::kLink
                 : devices.contains(path) ? PathKind::kOther
                 : Exists(path)           ? PathKind::kFile
                 : FolderExists(path)     ? PathKind::kFolder
                                          : PathKind::kMissing;
    const std::string finalPath = "\\\\?\\" + Resolved(path, false);
    facts.finalPath.assign(finalPath.begin(), finalPath.end());
    facts.reparsePoint = facts.kind == PathKind::kLink || reparsePoints.contains(path);
    const auto named = hardLinks.find(path);
    if (named != hardLinks.end()) facts.hardLinks = named->second;
    facts.ownership = OwnershipOf(path);
    return facts;
}

Result<PathKind> FakeFileSystem::Inspect(std::string_view path) {
    control_.Record("GetFileAttributes(" + std::string(path) + ")");
    if (auto failure = control_.InjectedFailure("GetFileAttributes")) return Failure{*failure};
    const std::string where = Resolved(path, false);
    const PathKind kind = FactsOf(where).kind;
    PlantIfFoundMissing(where);
    return kind;
}

Win32Error FakeFileSystem::CreateFolder(std::string_view path, std::string_view security) {
    control_.Record("CreateDirectory(" + std::string(path) + ", " + std::string(security) + ")");
    if (auto failure = control_.InjectedFailure("CreateDirectory")) return *failure;
    const std::string where = Resolved(path, false);
    if (!FolderExists(Parent(where))) return win32_error::kPathNotFound;
    if (FolderExists(where) || Exists(where) || links.contains(where)) {
        return win32_error::kAlreadyExists;
    }
    folders.emplace(where);
    folderSecurity.emplace(where, security);
    ownership.emplace(where, Ownership{thisAccount, false, GrantsOf(security)});
    return win32_error::kSuccess;
}

Result<std::unique_ptr<HeldFolder>> FakeFileSystem::HoldFolder(std::string_view path) {
    control_.Record("CreateFile(" + std::string(path) + ", hold)");
    if (auto failure = control_.InjectedFailure("HoldFolder")) return Failure{*failure};
    const std::string where = Resolved(path, false);
    HandleFacts facts = FactsOf(where);
    if (facts.kind == PathKind::kMissing) return Failure{win32_error::kFileNotFound};
    const auto turned = turnedIntoJunctionWhenHeld.find(where);
    if (turned != turnedIntoJunctionWhenHeld.end()) links.emplace(where, turned->second);
    return std::unique_ptr<HeldFolder>(
        std::make_unique<FakeHeldFolder>(control_, *this, where, std::move(facts)));
}

void FakeFileSystem::PlantIfFoundMissing(const std::string& path) {
    const std::string where = Resolved(path, false);
    if (FactsOf(where).kind != PathKind::kMissing) return;
    if (auto planted = linkedOnceFoundMissing.extract(where)) links[where] = planted.mapped();
}

Result<std::unique_ptr<LogFile>> FakeFileSystem::OpenLog(std::string_view path) {
    return OpenLogAt(path, false);
}

Result<std::unique_ptr<LogFile>> FakeFileSystem::OpenLogAt(std::string_view path,
                                                           bool foldersOpen) {
    control_.Record("CreateFile(" + std::string(path) + ", append)");
    if (auto failure = control_.InjectedFailure("OpenLog")) return Failure{*failure};
    const std::string where = Resolved(path, false);
    if (!FolderExists(Parent(where))) return Failure{win32_error::kPathNotFound};
    if (FolderExists(where) && !foldersOpen) return Failure{win32_error::kAccessDenied};
    const bool created = !Exists(where) && !links.contains(where) && !FolderExists(where);
    if (created) ownership.emplace(where, Ownership{thisAccount, false, {}});
    HandleFacts facts = FactsOf(where);
    if (created) facts.kind = PathKind::kFile;
    return std::unique_ptr<LogFile>(
        std::make_unique<FakeLogFile>(control_, files, where, std::move(facts), created));
}

}  // namespace qar::fake
