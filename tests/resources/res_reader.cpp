#include "res_reader.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <ostream>
#include <stdexcept>

namespace qar::res {
namespace {

constexpr std::uint32_t kDsSetFont = 0x40;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what);
}

std::size_t RoundUp4(std::size_t n) {
    return (n + 3) & ~std::size_t{3};
}

// Little-endian reads with bounds checks; byte by byte, so that no read is misaligned.
class Cursor {
  public:
    explicit Cursor(std::span<const std::uint8_t> bytes, std::size_t pos = 0)
        : bytes_(bytes), pos_(pos) {}

    std::size_t pos() const { return pos_; }
    std::size_t size() const { return bytes_.size(); }
    std::size_t remaining() const { return pos_ < size() ? size() - pos_ : 0; }

    std::uint8_t U8() {
        Need(1);
        return bytes_[pos_++];
    }
    std::uint16_t U16() {
        Need(2);
        auto value = static_cast<std::uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
        pos_ += 2;
        return value;
    }
    std::uint32_t U32() {
        std::uint32_t low = U16();
        std::uint32_t high = U16();
        return low | (high << 16);
    }
    std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }

    std::span<const std::uint8_t> Bytes(std::size_t n) {
        Need(n);
        auto part = bytes_.subspan(pos_, n);
        pos_ += n;
        return part;
    }
    void Skip(std::size_t n) { Bytes(n); }
    // Alignment may point past the end; only a later read fails then.
    void Align4() { pos_ = RoundUp4(pos_); }

    // Zero-terminated UTF-16 string.
    std::u16string Sz() {
        std::u16string text;
        for (char16_t c = static_cast<char16_t>(U16()); c != 0; c = static_cast<char16_t>(U16())) {
            text.push_back(c);
        }
        return text;
    }
    // 0xFFFF followed by an ordinal, or a zero-terminated UTF-16 string.
    NameOrOrdinal SzOrOrd() {
        Need(2);
        if (bytes_[pos_] == 0xFF && bytes_[pos_ + 1] == 0xFF) {
            pos_ += 2;
            return NameOrOrdinal::Ordinal(U16());
        }
        return NameOrOrdinal::Text(Sz());
    }

  private:
    void Need(std::size_t n) const {
        if (pos_ > size() || size() - pos_ < n) {
            Fail("truncated data: need " + std::to_string(n) + " bytes at offset " +
                 std::to_string(pos_) + " of " + std::to_string(size()));
        }
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_;
};

// One node of a version record: key, type (1 text, 0 binary), value, children.
struct VersionNode {
    std::u16string key;
    std::uint16_t type = 0;
    std::span<const std::uint8_t> value;
    std::vector<VersionNode> children;
};

VersionNode ReadVersionNode(std::span<const std::uint8_t> bytes, std::size_t start,
                            std::size_t* next) {
    Cursor c(bytes, start);
    const std::uint16_t length = c.U16();
    const std::uint16_t valueLength = c.U16();
    VersionNode node;
    node.type = c.U16();
    const std::size_t end = start + length;
    if (length < 6 || end > bytes.size()) Fail("version node length out of range");
    node.key = c.Sz();
    c.Align4();
    const std::size_t valueBytes = node.type == 1 ? valueLength * std::size_t{2} : valueLength;
    if (valueBytes > 0) {
        if (c.pos() + valueBytes > end) Fail("version value outside its node");
        node.value = bytes.subspan(c.pos(), valueBytes);
        c.Skip(valueBytes);
    }
    c.Align4();
    while (c.pos() < end) {
        std::size_t after = 0;
        node.children.push_back(ReadVersionNode(bytes.first(end), c.pos(), &after));
        c = Cursor(bytes, RoundUp4(after));
    }
    *next = end;
    return node;
}

std::u16string TextValue(std::span<const std::uint8_t> value) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
        auto c = static_cast<char16_t>(value[i] | (value[i + 1] << 8));
        if (c == 0) break;
        text.push_back(c);
    }
    return text;
}

}  // namespace

std::string Describe(const NameOrOrdinal& value) {
    if (value.isOrdinal) return "#" + std::to_string(value.ordinal);
    return "\"" + Utf16ToUtf8(value.text) + "\"";
}

std::string Describe(Rgb colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", colour.r, colour.g, colour.b);
    return text;
}

void PrintTo(const NameOrOrdinal& value, std::ostream* os) {
    *os << Describe(value);
}
void PrintTo(const Rgb& colour, std::ostream* os) {
    *os << Describe(colour);
}

ResFile ResFile::Parse(std::span<const std::uint8_t> bytes) {
    ResFile file;
    std::size_t start = 0;
    while (start < bytes.size()) {
        Cursor c(bytes, start);
        const std::uint32_t dataSize = c.U32();
        const std::uint32_t headerSize = c.U32();
        if (headerSize < 24 || headerSize > bytes.size() - start) {
            Fail("resource header size " + std::to_string(headerSize) + " at offset " +
                 std::to_string(start));
        }
        Cursor h(bytes.first(start + headerSize), c.pos());
        Resource r;
        r.type = h.SzOrOrd();
        r.name = h.SzOrOrd();
        h.Align4();
        r.dataVersion = h.U32();
        r.memoryFlags = h.U16();
        r.language = h.U16();
        r.version = h.U32();
        r.characteristics = h.U32();
        if (h.pos() != start + headerSize) Fail("resource header size does not match its fields");
        const std::size_t dataStart = start + headerSize;
        if (dataSize > bytes.size() - dataStart) Fail("resource data runs past the end of file");
        auto data = bytes.subspan(dataStart, dataSize);
        r.data.assign(data.begin(), data.end());
        file.entries_.push_back(std::move(r));
        const std::size_t end = dataStart + dataSize;
        start = RoundUp4(end);
        if (start > bytes.size() && end != bytes.size()) Fail("missing padding after resource");
    }
    return file;
}

ResFile ResFile::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail("cannot open " + path);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
    return Parse(bytes);
}

const Resource* ResFile::Find(std::uint16_t type, std::uint16_t name) const {
    for (const auto& entry : entries_) {
        if (entry.type == NameOrOrdinal::Ordinal(type) &&
            entry.name == NameOrOrdinal::Ordinal(name)) {
            return &entry;
        }
    }
    return nullptr;
}

std::vector<std::uint16_t> ResFile::NamesOfType(std::uint16_t type) const {
    std::vector<std::uint16_t> names;
    for (const auto& entry : entries_) {
        if (entry.type == NameOrOrdinal::Ordinal(type) && entry.name.isOrdinal) {
            names.push_back(entry.name.ordinal);
        }
    }
    return names;
}

DialogTemplate ParseDialog(std::span<const std::uint8_t> bytes) {
    Cursor c(bytes);
    DialogTemplate dialog;
    std::uint16_t items = 0;
    if (bytes.size() >= 4 && bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0xFF &&
        bytes[3] == 0xFF) {
        dialog.extended = true;
        c.Skip(4);  // dlgVer 1, signature 0xFFFF
        dialog.helpId = c.U32();
        dialog.exStyle = c.U32();
        dialog.style = c.U32();
    } else {
        dialog.style = c.U32();
        dialog.exStyle = c.U32();
    }
    items = c.U16();
    dialog.x = c.I16();
    dialog.y = c.I16();
    dialog.cx = c.I16();
    dialog.cy = c.I16();
    dialog.menu = c.SzOrOrd();
    dialog.windowClass = c.SzOrOrd();
    dialog.title = c.Sz();
    if (dialog.style & kDsSetFont) {
        dialog.hasFont = true;
        dialog.pointSize = c.U16();
        if (dialog.extended) {
            dialog.weight = c.U16();
            dialog.italic = c.U8();
            dialog.charset = c.U8();
        }
        dialog.typeface = c.Sz();
    }
    for (std::uint16_t i = 0; i < items; ++i) {
        c.Align4();
        DialogItem item;
        if (dialog.extended) {
            item.helpId = c.U32();
            item.exStyle = c.U32();
            item.style = c.U32();
        } else {
            item.style = c.U32();
            item.exStyle = c.U32();
        }
        item.x = c.I16();
        item.y = c.I16();
        item.cx = c.I16();
        item.cy = c.I16();
        item.id = dialog.extended ? c.I32() : c.I16();
        item.windowClass = c.SzOrOrd();
        item.text = c.SzOrOrd();
        const std::uint16_t extra = c.U16();
        auto data = c.Bytes(extra);
        item.creationData.assign(data.begin(), data.end());
        dialog.items.push_back(std::move(item));
    }
    return dialog;
}

DibHeader ParseDibHeader(std::span<const std::uint8_t> bytes) {
    Cursor c(bytes);
    DibHeader h;
    h.headerSize = c.U32();
    if (h.headerSize < 40) Fail("not a BITMAPINFOHEADER: size " + std::to_string(h.headerSize));
    h.width = c.I32();
    h.height = c.I32();
    h.planes = c.U16();
    h.bitCount = c.U16();
    h.compression = c.U32();
    c.U32();  // biSizeImage
    c.I32();  // biXPelsPerMeter
    c.I32();  // biYPelsPerMeter
    h.coloursUsed = c.U32();
    return h;
}

Dib Dib::Parse(std::span<const std::uint8_t> bytes) {
    Dib dib;
    dib.header_ = ParseDibHeader(bytes);
    const DibHeader& h = dib.header_;
    Cursor c(bytes, h.headerSize);
    if (h.bitCount <= 8) {
        c.Skip(4 * std::size_t{h.coloursUsed ? h.coloursUsed : (1u << h.bitCount)});
    } else {
        if (h.compression == kBiBitfields && h.headerSize == 40) c.Skip(12);
        c.Skip(4 * std::size_t{h.coloursUsed});
    }
    if (h.width <= 0 || h.height == 0) Fail("empty bitmap");
    const std::size_t rows = static_cast<std::size_t>(h.height < 0 ? -h.height : h.height);
    dib.stride_ = (static_cast<std::size_t>(h.width) * h.bitCount + 31) / 32 * 4;
    auto pixels = c.Bytes(dib.stride_ * rows);
    dib.pixels_.assign(pixels.begin(), pixels.end());
    return dib;
}

Rgb Dib::At(int x, int y) const {
    if (header_.bitCount != 24 || header_.compression != kBiRgb) {
        Fail("only 24-bit BI_RGB pixels are read");
    }
    const int rows = header_.height < 0 ? -header_.height : header_.height;
    if (x < 0 || x >= header_.width || y < 0 || y >= rows) {
        Fail("pixel " + std::to_string(x) + "," + std::to_string(y) + " outside the bitmap");
    }
    const std::size_t row = static_cast<std::size_t>(header_.height > 0 ? rows - 1 - y : y);
    const std::size_t at = row * stride_ + static_cast<std::size_t>(x) * 3;
    return Rgb{pixels_[at + 2], pixels_[at + 1], pixels_[at]};
}

std::vector<IconGroupEntry> ParseIconGroup(std::span<const std::uint8_t> bytes) {
    Cursor c(bytes);
    if (c.U16() != 0 || c.U16() != 1) Fail("not an icon group");
    const std::uint16_t count = c.U16();
    std::vector<IconGroupEntry> entries;
    for (std::uint16_t i = 0; i < count; ++i) {
        IconGroupEntry e;
        e.width = c.U8();
        e.height = c.U8();
        e.colourCount = c.U8();
        c.U8();  // reserved
        e.planes = c.U16();
        e.bitCount = c.U16();
        e.bytesInRes = c.U32();
        e.iconId = c.U16();
        entries.push_back(e);
    }
    return entries;
}

std::vector<std::u16string> ParseStringBlock(std::span<const std::uint8_t> bytes) {
    Cursor c(bytes);
    std::vector<std::u16string> strings;
    for (int i = 0; i < 16; ++i) {
        const std::uint16_t length = c.U16();
        std::u16string text;
        for (std::uint16_t k = 0; k < length; ++k) text.push_back(static_cast<char16_t>(c.U16()));
        strings.push_back(std::move(text));
    }
    return strings;
}

VersionInfo ParseVersion(std::span<const std::uint8_t> bytes) {
    std::size_t end = 0;
    const VersionNode root = ReadVersionNode(bytes, 0, &end);
    if (root.key != u"VS_VERSION_INFO") Fail("version record key is not VS_VERSION_INFO");
    if (root.value.size() < 52) Fail("version record without VS_FIXEDFILEINFO");
    Cursor fixed(root.value);
    if (fixed.U32() != kFixedFileInfoSignature) Fail("bad VS_FIXEDFILEINFO signature");
    fixed.U32();  // dwStrucVersion
    VersionInfo info;
    info.fileVersionMs = fixed.U32();
    info.fileVersionLs = fixed.U32();
    info.productVersionMs = fixed.U32();
    info.productVersionLs = fixed.U32();
    info.fileFlagsMask = fixed.U32();
    info.fileFlags = fixed.U32();
    info.fileOs = fixed.U32();
    info.fileType = fixed.U32();
    for (const auto& child : root.children) {
        if (child.key == u"StringFileInfo") {
            for (const auto& table : child.children) {
                auto& values = info.strings[table.key];
                for (const auto& entry : table.children) values[entry.key] = TextValue(entry.value);
            }
        } else if (child.key == u"VarFileInfo") {
            for (const auto& var : child.children) {
                if (var.key != u"Translation") continue;
                Cursor pairs(var.value);
                while (pairs.remaining() >= 4) {
                    const std::uint16_t language = pairs.U16();
                    info.translations.emplace_back(language, pairs.U16());
                }
            }
        }
    }
    return info;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if ((lead & 0xC0) == 0x80 || i + length > utf8.size()) Fail("invalid UTF-8");
        char32_t code = length == 1   ? lead
                        : length == 2 ? lead & 0x1F
                        : length == 3 ? lead & 0x0F
                                      : lead & 0x07;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) Fail("invalid UTF-8");
            code = (code << 6) | (next & 0x3F);
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t code = utf16[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < utf16.size()) {
            code = 0x10000 + ((code - 0xD800) << 10) + (utf16[++i] - 0xDC00);
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

}  // namespace qar::res
