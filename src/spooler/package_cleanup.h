// Removes the package files from a folder once the installation is over.
#pragma once

#include <string_view>

#include "core/package_file_list.h"
#include "platform/files.h"

namespace qar {

// Deletes every listed name from the folder, silently skipping what cannot be deleted.
// An empty folder text deletes nothing: it would otherwise point at the drive's root.
void DeletePackageFiles(FileSystem& files, const PackageFileList& packageFiles,
                        std::string_view folder);

}  // namespace qar
