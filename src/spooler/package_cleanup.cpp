#include "spooler/package_cleanup.h"

#include <string>

namespace qar {

void DeletePackageFiles(FileSystem& files, const PackageFileList& packageFiles,
                        std::string_view folder) {
    if (folder.empty()) return;
    std::string prefix(folder);
    if (prefix.back() != '\\') prefix += '\\';
    const std::size_t count = packageFiles.Count();
    for (std::size_t index = 0; index < count; ++index) {
        files.Remove(prefix + packageFiles.At(index));
    }
}

}  // namespace qar
