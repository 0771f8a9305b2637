#include "log/run_log.h"

#include <variant>

#include "log/event_log.h"
#include "log/log_trust.h"
#include "platform/file_path.h"

namespace qar {

namespace {

constexpr std::string_view kNotThroughLinks = " a log is never written through one.";

RunLog Refused(std::string why) {
    return RunLog{nullptr, std::move(why)};
}

RunLog RefusedFor(UserInterface& messages, Win32Error code) {
    return Refused(OneLine(messages.SystemMessageText(code)));
}

std::optional<std::string> RefusedStep(const FileSystem& files, std::string_view path) {
    const auto step = ReinterpretedStep(files, path);
    if (!step) return std::nullopt;
    if (IsDeviceName(files, *step)) {
        return "\"" + *step + "\" is a device name: Windows would open the device, not a file.";
    }
    return "\"" + *step +
           "\" ends in a blank or a dot, which Windows drops from the end of a path but not from "
           "a folder inside it: the folder checked would not be the folder written to.";
}

// On a share the server resolves every name again, whatever the client holds: there a folder is
// made and held by its path, and the share's own folders must be trusted.
Result<std::unique_ptr<HeldFolder>> HeldByName(FileSystem& files, const std::string& folder,
                                               PathKind seen) {
    if (seen == PathKind::kMissing) {
        const Win32Error made = files.CreateFolder(folder, kLogFolderSecurity);
        if (made != win32_error::kSuccess && made != win32_error::kAlreadyExists) {
            return Failure{made};
        }
    }
    return files.HoldFolder(folder);
}

std::string IsALink(const std::string& folder) {
    return "\"" + folder + "\" is a link (a junction or a symbolic link);" +
           std::string(kNotThroughLinks);
}

std::string NotAFolder(const std::string& folder) {
    return "\"" + folder + "\" is not a folder.";
}

std::optional<std::string> RefusedKind(const std::string& folder, PathKind kind) {
    if (kind == PathKind::kLink) return IsALink(folder);
    if (kind != PathKind::kFolder) return NotAFolder(folder);
    return std::nullopt;
}

// Whether `path`, read from a handle, lies directly in `folder`, read from the handle held on it:
// then no link took the place of the folder after it was checked.
// Both are read from handles on the same entries, so they are compared exactly.
bool LiesIn(std::u16string_view path, std::u16string_view folder) {
    const std::size_t last = path.rfind(u'\\');
    return last != std::u16string_view::npos && path.substr(0, last) == folder;
}

std::string Swapped(const std::string& folder) {
    return "\"" + folder + "\" became a link while the log was being opened;" +
           std::string(kNotThroughLinks);
}

std::string_view LastStep(std::string_view path) {
    return path.substr(path.rfind('\\') + 1);
}

// The folders on the way, held open, and on a drive the drive's root, through which the first of
// them is opened: each is opened (and made, when missing) through the handle of the one before.
struct HeldWay {
    std::unique_ptr<HeldFolder> root;  // none on a share
    std::vector<std::unique_ptr<HeldFolder>> folders;
    // What the next step is opened through: the last folder held, or the root; none on a share.
    HeldFolder* Parent() const {
        if (!root) return nullptr;
        return folders.empty() ? root.get() : folders.back().get();
    }
};

// The folders on the way, each made if missing, held, and judged from its handle; each one's
// place is proven to be inside the one before, and one this run made elsewhere is taken back. A
// refusal as soon as one fails.
std::variant<HeldWay, RunLog> HeldFolders(FileSystem& files, UserInterface& messages,
                                          std::string_view path,
                                          const std::vector<std::string>& folders) {
    HeldWay way;
    if (!path.starts_with("\\\\")) {
        auto root = files.HoldFolder(path.substr(0, 3));
        if (!root) return RefusedFor(messages, root.error());
        way.root = std::move(*root);
    }
    auto& held = way.folders;
    for (const std::string& folder : folders) {
        HeldFolder* parent = way.Parent();
        // On a share what the name shows first words a refusal; the handle decides.
        auto seen = parent ? Result<PathKind>(PathKind::kMissing) : files.Inspect(folder);
        if (!seen) return RefusedFor(messages, seen.error());
        if (*seen != PathKind::kMissing) {
            if (auto refused = RefusedKind(folder, *seen)) return Refused(std::move(*refused));
        }
        auto hold = parent ? parent->HoldChild(LastStep(folder), kLogFolderSecurity)
                           : HeldByName(files, folder, *seen);
        if (!hold && hold.error() == win32_error::kNotADirectory)
            return Refused(NotAFolder(folder));
        if (!hold) return RefusedFor(messages, hold.error());
        const HandleFacts& facts = (*hold)->Facts();
        if (facts.kind == PathKind::kLink) {
            // There when looked for (or made by someone else since), or turned into one since.
            return Refused(*seen == PathKind::kMissing ? IsALink(folder) : Swapped(folder));
        }
        if (auto refused = RefusedKind(folder, facts.kind)) return Refused(std::move(*refused));
        if (!held.empty() && !LiesIn(facts.finalPath, held.back()->Facts().finalPath)) {
            (*hold)->DeleteIfMade();
            return Refused(Swapped(folders[held.size() - 1]));
        }
        // The log's own folder: whoever may add a file there may put one in the log's place.
        const bool logsFolder = &folder == &folders.back();
        const std::uint32_t rights =
            kRightsToReplace |
            (logsFolder ? file_right::kAddFile | file_right::kWriteAttributes : 0);
        if (auto refused = UntrustedBecause(folder, facts.ownership, rights)) {
            return Refused(std::move(*refused));
        }
        held.push_back(std::move(*hold));
    }
    return way;
}

// Empty for a plain file with one name.
std::optional<std::string> RefusedFile(PathKind kind, std::uint32_t hardLinks, bool reparsePoint) {
    switch (kind) {
        case PathKind::kMissing:
        case PathKind::kFile:
            break;
        case PathKind::kFolder:
            return "it is a folder.";
        case PathKind::kLink:
            return "it is a link (a junction or a symbolic link);" + std::string(kNotThroughLinks);
        case PathKind::kOther:
            return "it is not a file on a disk.";
    }
    // Opened raw, past the filter that serves it (deduplication, a cloud placeholder).
    if (reparsePoint) return "it is a reparse point, which a log is never written to.";
    if (hardLinks > 1) {
        return "the file has " + std::to_string(hardLinks) +
               " names (hard links); a log is only written to a file with one.";
    }
    return std::nullopt;
}

// What the open file itself says, against the folder held for it.
std::optional<std::string> RefusedOpened(const LogFile& opened, const HandleFacts& facts,
                                         const std::vector<std::string>& folders,
                                         const std::vector<std::unique_ptr<HeldFolder>>& held) {
    if (auto refused = RefusedFile(facts.kind, facts.hardLinks, facts.reparsePoint)) {
        return refused;
    }
    if (!held.empty() && !LiesIn(facts.finalPath, held.back()->Facts().finalPath)) {
        return Swapped(folders.back());
    }
    if (!opened.Created()) return UntrustedOwnerOfFile(facts.ownership);
    return std::nullopt;
}

}  // namespace

RunLog OpenRunLog(FileSystem& files, UserInterface& messages, std::string_view path) {
    if (auto refused = RefusedStep(files, path)) return Refused(std::move(*refused));
    const auto folders = FoldersOnPath(files, path);
    if (!folders) return Refused("it is not the full path of a file on a drive or a share.");
    auto held = HeldFolders(files, messages, path, *folders);
    if (auto* refused = std::get_if<RunLog>(&held)) return std::move(*refused);
    const HeldWay& way = std::get<HeldWay>(held);
    HeldFolder* logsFolder = way.Parent();
    if (!logsFolder) {
        const auto kind = files.Inspect(path);
        if (!kind) return RefusedFor(messages, kind.error());
        if (auto refused = RefusedFile(*kind, 1, false)) return Refused(std::move(*refused));
    }
    auto opened = logsFolder ? logsFolder->OpenLogChild(LastStep(path)) : files.OpenLog(path);
    if (!opened) return RefusedFor(messages, opened.error());
    // Looked at again on the open file: the path may have changed since it was inspected. A file
    // this open made goes again whenever the log is refused.
    const auto facts = (*opened)->ReadFacts();
    if (!facts) {
        (*opened)->DeleteIfCreated();
        return RefusedFor(messages, facts.error());
    }
    if (auto refused = RefusedOpened(**opened, *facts, *folders, way.folders)) {
        (*opened)->DeleteIfCreated();
        return Refused(std::move(*refused));
    }
    return RunLog{std::move(*opened), {}};
}

}  // namespace qar
