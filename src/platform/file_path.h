// Plain Windows file paths taken apart without asking the system.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qar {

// The folders that a full path to a file passes through below its root (a drive "C:\" or a share
// "\\server\share\"), outermost first, each as a full path. Nothing for any other path: a relative
// one, a device or "\\?\" path, a stream name after a colon, an empty, "." or ".." step, or a path
// that ends in a folder.
std::optional<std::vector<std::string>> FoldersOnPath(std::string_view path);

}  // namespace qar
