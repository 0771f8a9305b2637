// Reader for compiled Win32 resource files (.res, as windres -O res writes them) and for
// the resource formats the program uses: dialog templates, bitmaps, icon groups, string
// tables and version records. Portable C++: runs in the native test build.
// Malformed input throws std::runtime_error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qar::res {

// Predefined resource types.
inline constexpr std::uint16_t kRtIcon = 3;
inline constexpr std::uint16_t kRtBitmap = 2;
inline constexpr std::uint16_t kRtDialog = 5;
inline constexpr std::uint16_t kRtString = 6;
inline constexpr std::uint16_t kRtGroupIcon = 14;
inline constexpr std::uint16_t kRtVersion = 16;
inline constexpr std::uint16_t kRtManifest = 24;

// A resource type, resource name, or the menu, class or text of a dialog: either a
// 16-bit ordinal or a UTF-16 string (possibly empty).
struct NameOrOrdinal {
    bool isOrdinal = false;
    std::uint16_t ordinal = 0;
    std::u16string text;

    static NameOrOrdinal Ordinal(std::uint16_t value) { return {true, value, {}}; }
    static NameOrOrdinal Text(std::u16string value) { return {false, 0, std::move(value)}; }
    bool operator==(const NameOrOrdinal&) const = default;
};
std::string Describe(const NameOrOrdinal& value);
// For gtest's messages; declared beside the type so that every test sees it.
void PrintTo(const NameOrOrdinal& value, std::ostream* os);

struct Resource {
    NameOrOrdinal type;
    NameOrOrdinal name;
    std::uint32_t dataVersion = 0;
    std::uint16_t memoryFlags = 0;
    std::uint16_t language = 0;
    std::uint32_t version = 0;
    std::uint32_t characteristics = 0;
    std::vector<std::uint8_t> data;
};

class ResFile {
  public:
    static ResFile Parse(std::span<const std::uint8_t> bytes);
    static ResFile Load(const std::string& path);

    // Every entry in file order, the leading empty entry included.
    const std::vector<Resource>& entries() const { return entries_; }
    // The entry with this ordinal type and ordinal name, or nullptr.
    const Resource* Find(std::uint16_t type, std::uint16_t name) const;
    // The ordinal names of all entries of an ordinal type, in file order.
    std::vector<std::uint16_t> NamesOfType(std::uint16_t type) const;

  private:
    std::vector<Resource> entries_;
};

struct DialogItem {
    std::uint32_t helpId = 0;
    std::uint32_t exStyle = 0;
    std::uint32_t style = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    // Sign-extended: a static without an id (0xFFFF / 0xFFFFFFFF) reads as -1.
    std::int32_t id = 0;
    NameOrOrdinal windowClass;
    NameOrOrdinal text;
    std::vector<std::uint8_t> creationData;
};

struct DialogTemplate {
    bool extended = false;  // DLGTEMPLATEEX rather than DLGTEMPLATE
    std::uint32_t helpId = 0;
    std::uint32_t exStyle = 0;
    std::uint32_t style = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::u16string title;
    bool hasFont = false;  // DS_SETFONT: the font fields below are present
    std::uint16_t pointSize = 0;
    std::uint16_t weight = 0;  // DLGTEMPLATEEX only
    std::uint8_t italic = 0;   // DLGTEMPLATEEX only
    std::uint8_t charset = 0;  // DLGTEMPLATEEX only
    std::u16string typeface;
    std::vector<DialogItem> items;
};
DialogTemplate ParseDialog(std::span<const std::uint8_t> bytes);

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
std::string Describe(Rgb colour);
void PrintTo(const Rgb& colour, std::ostream* os);

// The BITMAPINFOHEADER at the start of a bitmap or icon image.
struct DibHeader {
    std::uint32_t headerSize = 0;
    std::int32_t width = 0, height = 0;
    std::uint16_t planes = 0, bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
};
DibHeader ParseDibHeader(std::span<const std::uint8_t> bytes);

// A device-independent bitmap as RT_BITMAP stores it: BITMAPINFOHEADER, optional colour
// table, pixels; no BITMAPFILEHEADER. Only 24-bit BI_RGB pixels can be read.
class Dib {
  public:
    static Dib Parse(std::span<const std::uint8_t> bytes);

    std::uint32_t headerSize() const { return header_.headerSize; }
    std::int32_t width() const { return header_.width; }
    std::int32_t height() const { return header_.height; }  // positive: rows stored bottom-up
    std::uint16_t planes() const { return header_.planes; }
    std::uint16_t bitCount() const { return header_.bitCount; }
    std::uint32_t compression() const { return header_.compression; }
    // Pixel at column x, row y counted from the top of the picture.
    Rgb At(int x, int y) const;

  private:
    DibHeader header_;
    std::vector<std::uint8_t> pixels_;
    std::size_t stride_ = 0;
};

struct IconGroupEntry {
    std::uint8_t width = 0, height = 0, colourCount = 0;
    std::uint16_t planes = 0, bitCount = 0;
    std::uint32_t bytesInRes = 0;
    std::uint16_t iconId = 0;
};
std::vector<IconGroupEntry> ParseIconGroup(std::span<const std::uint8_t> bytes);

// The 16 strings of one string table block (block n holds the ids 16*(n-1) to 16*n-1).
std::vector<std::u16string> ParseStringBlock(std::span<const std::uint8_t> bytes);

struct VersionInfo {
    std::uint32_t fileVersionMs = 0, fileVersionLs = 0;
    std::uint32_t productVersionMs = 0, productVersionLs = 0;
    std::uint32_t fileFlagsMask = 0, fileFlags = 0, fileOs = 0, fileType = 0;
    // StringFileInfo values by language block ("040904b0") and key.
    std::map<std::u16string, std::map<std::u16string, std::u16string>> strings;
    // VarFileInfo "Translation" pairs of language and code page.
    std::vector<std::pair<std::uint16_t, std::uint16_t>> translations;
};
VersionInfo ParseVersion(std::span<const std::uint8_t> bytes);

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace qar::res
