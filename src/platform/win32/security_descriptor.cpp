#include "platform/win32/security_descriptor.h"

#include <sddl.h>

#include <string>

namespace qar::win32 {

Result<UniqueLocalMemory> SecurityDescriptor(std::string_view sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
            std::string(sddl).c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
        return Failure{GetLastError()};
    }
    return UniqueLocalMemory(descriptor);
}

}  // namespace qar::win32
