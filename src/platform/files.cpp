#include "platform/files.h"

namespace qar {

namespace {

constexpr std::uint32_t kDirectory = 0x10;      // FILE_ATTRIBUTE_DIRECTORY
constexpr std::uint32_t kDevice = 0x40;         // FILE_ATTRIBUTE_DEVICE
constexpr std::uint32_t kReparsePoint = 0x400;  // FILE_ATTRIBUTE_REPARSE_POINT
// IsReparseTagNameSurrogate: the reparse point stands for another named entity.
constexpr std::uint32_t kNameSurrogate = 0x20000000;

}  // namespace

PathKind KindFromAttributes(std::uint32_t attributes, std::uint32_t reparseTag) {
    if ((attributes & kReparsePoint) && (reparseTag & kNameSurrogate)) return PathKind::kLink;
    if (attributes & kDirectory) return PathKind::kFolder;
    if (attributes & kDevice) return PathKind::kOther;
    return PathKind::kFile;
}

}  // namespace qar
