#include "cli/run_log.h"

#include "cli/event_log.h"
#include "platform/file_path.h"

namespace qar {

namespace {

constexpr std::string_view kNotThroughLinks = " a log is never written through one.";

RunLog Refused(std::string why) {
    return RunLog{nullptr, std::move(why)};
}

RunLog RefusedFor(UserInterface& messages, Win32Error code) {
    if (code == win32_error::kReparsePointEncountered) {
        return Refused("a folder on its path is a link (a junction or a symbolic link);" +
                       std::string(kNotThroughLinks));
    }
    return Refused(OneLine(messages.SystemMessageText(code)));
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

// Empty when every folder on the way is a plain one (made now if missing).
std::optional<RunLog> RefusedFolder(FileSystem& files, UserInterface& messages,
                                    const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        const auto kind = MadeIfMissing(files, folder);
        if (!kind) return RefusedFor(messages, kind.error());
        if (*kind == PathKind::kLink) {
            return Refused("\"" + folder + "\" is a link (a junction or a symbolic link);" +
                           std::string(kNotThroughLinks));
        }
        if (*kind != PathKind::kFolder) return Refused("\"" + folder + "\" is not a folder.");
    }
    return std::nullopt;
}

// Empty for a plain file with one name.
std::optional<std::string> RefusedFile(PathKind kind, std::uint32_t hardLinks) {
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
    if (hardLinks > 1) {
        return "the file has " + std::to_string(hardLinks) +
               " names (hard links); a log is only written to a file with one.";
    }
    return std::nullopt;
}

}  // namespace

RunLog OpenRunLog(FileSystem& files, UserInterface& messages, std::string_view path) {
    const auto folders = FoldersOnPath(path);
    if (!folders) return Refused("it is not the full path of a file on a drive or a share.");
    if (auto refused = RefusedFolder(files, messages, *folders)) return std::move(*refused);
    const auto kind = files.Inspect(path);
    if (!kind) return RefusedFor(messages, kind.error());
    if (auto refused = RefusedFile(*kind, 1)) return Refused(std::move(*refused));
    auto opened = files.OpenLog(path);
    if (!opened) return RefusedFor(messages, opened.error());
    // Looked at again on the open file: the path may have changed since it was inspected.
    if (auto refused = RefusedFile((*opened)->Kind(), (*opened)->HardLinks())) {
        return Refused(std::move(*refused));
    }
    return RunLog{std::move(*opened), {}};
}

}  // namespace qar
