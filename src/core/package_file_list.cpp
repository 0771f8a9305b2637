#include "core/package_file_list.h"

namespace qar {

void PackageFileList::AppendPackageNames() {
    for (std::string_view name : kPackageFileNames) Append(name);
}

}  // namespace qar
