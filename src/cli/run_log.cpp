#include "cli/run_log.h"

#include <variant>

#include "cli/event_log.h"
#include "cli/log_trust.h"
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

// Makes a missing folder; a folder that someone else made meanwhile is looked at again.
Result<PathKind> MadeIfMissing(FileSystem& files, const std::string& folder) {
    auto kind = files.Inspect(folder);
    if (!kind || *kind != PathKind::kMissing) return kind;
    const Win32Error made = files.CreateFolder(folder, kLogFolderSecurity);
    if (made == win32_error::kAlreadyExists) return files.Inspect(folder);
    if (made != win32_error::kSuccess) return Failure{made};
    return PathKind::kFolder;
}

std::optional<std::string> RefusedKind(const std::string& folder, PathKind kind) {
    if (kind == PathKind::kLink) {
        return "\"" + folder + "\" is a link (a junction or a symbolic link);" +
               std::string(kNotThroughLinks);
    }
    if (kind != PathKind::kFolder) return "\"" + folder + "\" is not a folder.";
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

// The folders on the way, each made if missing, held, and judged from its handle; each one's
// place is proven to be inside the one before. A refusal as soon as one fails.
std::variant<std::vector<std::unique_ptr<HeldFolder>>, RunLog> HeldFolders(
    FileSystem& files, UserInterface& messages, const std::vector<std::string>& folders) {
    std::vector<std::unique_ptr<HeldFolder>> held;
    for (const std::string& folder : folders) {
        const auto kind = MadeIfMissing(files, folder);
        if (!kind) return RefusedFor(messages, kind.error());
        if (auto refused = RefusedKind(folder, *kind)) return Refused(std::move(*refused));
        auto hold = files.HoldFolder(folder);
        if (!hold) return RefusedFor(messages, hold.error());
        const HandleFacts& facts = (*hold)->Facts();
        // It was no link when looked at: it became one since.
        if (facts.kind == PathKind::kLink) return Refused(Swapped(folder));
        if (auto refused = RefusedKind(folder, facts.kind)) return Refused(std::move(*refused));
        if (!held.empty() && !LiesIn(facts.finalPath, held.back()->Facts().finalPath)) {
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
    return held;
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
    auto held = HeldFolders(files, messages, *folders);
    if (auto* refused = std::get_if<RunLog>(&held)) return std::move(*refused);
    const auto& heldFolders = std::get<std::vector<std::unique_ptr<HeldFolder>>>(held);
    const auto kind = files.Inspect(path);
    if (!kind) return RefusedFor(messages, kind.error());
    if (auto refused = RefusedFile(*kind, 1, false)) return Refused(std::move(*refused));
    auto opened = files.OpenLog(path);
    if (!opened) return RefusedFor(messages, opened.error());
    // Looked at again on the open file: the path may have changed since it was inspected. A file
    // this open made goes again whenever the log is refused.
    const auto facts = (*opened)->ReadFacts();
    if (!facts) {
        (*opened)->DeleteIfCreated();
        return RefusedFor(messages, facts.error());
    }
    if (auto refused = RefusedOpened(**opened, *facts, *folders, heldFolders)) {
        (*opened)->DeleteIfCreated();
        return Refused(std::move(*refused));
    }
    return RunLog{std::move(*opened), {}};
}

}  // namespace qar
