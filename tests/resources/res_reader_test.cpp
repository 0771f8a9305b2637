// The reader itself, on hand-made bytes: alignment, both template formats, bottom-up
// rows, and refusal of truncated input.
#include "res_reader.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace qar::res {
namespace {

// Little-endian byte builder.
class Bytes {
  public:
    Bytes& U8(std::uint8_t v) {
        data.push_back(v);
        return *this;
    }
    Bytes& U16(std::uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
    Bytes& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    Bytes& Sz(std::u16string_view text) {
        for (char16_t c : text) U16(c);
        return U16(0);
    }
    Bytes& Ord(std::uint16_t v) { return U16(0xFFFF).U16(v); }
    Bytes& Align4() {
        while (data.size() % 4) U8(0);
        return *this;
    }
    Bytes& Raw(const std::vector<std::uint8_t>& more) {
        data.insert(data.end(), more.begin(), more.end());
        return *this;
    }
    std::vector<std::uint8_t> data;
};

// One .res entry; `type` and `name` are already encoded.
Bytes Entry(const Bytes& type, const Bytes& name, std::uint16_t language,
            const std::vector<std::uint8_t>& payload) {
    Bytes header;
    header.Raw(type.data).Raw(name.data).Align4();
    header.U32(0).U16(0x1030).U16(language).U32(0).U32(0);
    Bytes entry;
    entry.U32(static_cast<std::uint32_t>(payload.size()))
        .U32(static_cast<std::uint32_t>(header.data.size() + 8))
        .Raw(header.data)
        .Raw(payload)
        .Align4();
    return entry;
}

Bytes EmptyEntry() {
    return Entry(Bytes().Ord(0), Bytes().Ord(0), 0, {});
}

TEST(ResReader, ReadsNamedAndOrdinalEntriesAcrossPadding) {
    Bytes file;
    file.Raw(EmptyEntry().data)
        .Raw(Entry(Bytes().Sz(u"MYTYPE"), Bytes().Sz(u"A"), 0x0404, {1, 2, 3}).data)
        .Raw(Entry(Bytes().Ord(kRtBitmap), Bytes().Ord(130), 0x0409, {9, 8, 7, 6, 5}).data);
    EXPECT_EQ(file.data.size() % 4, 0u);
    EXPECT_EQ(EmptyEntry().data.size(), 32u);

    const ResFile res = ResFile::Parse(file.data);
    ASSERT_EQ(res.entries().size(), 3u);
    const Resource& named = res.entries()[1];
    EXPECT_EQ(named.type, NameOrOrdinal::Text(u"MYTYPE"));
    EXPECT_EQ(named.name, NameOrOrdinal::Text(u"A"));
    EXPECT_EQ(named.language, 0x0404);
    EXPECT_EQ(named.memoryFlags, 0x1030);
    EXPECT_EQ(named.data, (std::vector<std::uint8_t>{1, 2, 3}));
    const Resource* bitmap = res.Find(kRtBitmap, 130);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->data, (std::vector<std::uint8_t>{9, 8, 7, 6, 5}));
    EXPECT_EQ(res.Find(kRtBitmap, 131), nullptr);
    EXPECT_EQ(res.NamesOfType(kRtBitmap), std::vector<std::uint16_t>{130});
}

TEST(ResReader, RefusesDataRunningPastTheEnd) {
    Bytes file = EmptyEntry();
    file.Raw(Entry(Bytes().Ord(kRtBitmap), Bytes().Ord(1), 0x0409, {1, 2, 3, 4, 5, 6}).data);
    file.data.resize(file.data.size() - 4);
    EXPECT_THROW(ResFile::Parse(file.data), std::runtime_error);
}

TEST(ResReader, RefusesAHeaderSizeThatDisagreesWithItsFields) {
    Bytes file = Entry(Bytes().Ord(kRtBitmap), Bytes().Ord(1), 0x0409, {});
    file.data[4] += 4;  // HeaderSize
    file.U32(0);
    EXPECT_THROW(ResFile::Parse(file.data), std::runtime_error);
}

TEST(ResReader, ParsesAClassicTemplateWithStringClassAndSignExtendedId) {
    Bytes t;
    t.U32(0x80C800C0).U32(0).U16(2).U16(0).U16(0).U16(235).U16(55);
    t.U16(0).U16(0).Sz(u"About");   // no menu, default class, title
    t.U16(8).Sz(u"MS Sans Serif");  // DS_SETFONT: point size, face
    t.Align4().U32(0x50000003).U32(0).U16(11).U16(17).U16(20).U16(20).U16(0xFFFF);
    t.Sz(u"Static").Ord(128).U16(0);
    t.Align4().U32(0x50010001).U32(0x200).U16(178).U16(7).U16(50).U16(14).U16(1);
    t.Ord(0x80).Sz(u"OK").U16(0);

    const DialogTemplate d = ParseDialog(t.data);
    EXPECT_FALSE(d.extended);
    EXPECT_EQ(d.style, 0x80C800C0u);
    EXPECT_EQ(d.cx, 235);
    EXPECT_EQ(d.title, u"About");
    EXPECT_EQ(d.pointSize, 8);
    EXPECT_EQ(d.typeface, u"MS Sans Serif");
    ASSERT_EQ(d.items.size(), 2u);
    EXPECT_EQ(d.items[0].id, -1);
    EXPECT_EQ(d.items[0].windowClass, NameOrOrdinal::Text(u"Static"));
    EXPECT_EQ(d.items[0].text, NameOrOrdinal::Ordinal(128));
    EXPECT_EQ(d.items[1].id, 1);
    EXPECT_EQ(d.items[1].exStyle, 0x200u);
    EXPECT_EQ(d.items[1].x, 178);
    EXPECT_EQ(d.items[1].windowClass, NameOrOrdinal::Ordinal(0x80));
    EXPECT_EQ(d.items[1].text, NameOrOrdinal::Text(u"OK"));
}

TEST(ResReader, ParsesAnExtendedTemplateWithFontWeightAndCreationData) {
    Bytes t;
    t.U16(1).U16(0xFFFF).U32(7).U32(0x40000).U32(0x80C800C8).U16(1);
    t.U16(1).U16(2).U16(263).U16(209);
    t.Ord(5).U16(0).Sz(u"\u5C0D");
    t.U16(9).U16(400).U8(0).U8(1).Sz(u"MS Shell Dlg");
    t.Align4().U32(0).U32(0).U32(0x50210102).U16(27).U16(43).U16(118).U16(89).U32(0xFFFFFFFF);
    t.Ord(0x85).U16(0).U16(2).U8(0xAB).U8(0xCD);

    const DialogTemplate d = ParseDialog(t.data);
    EXPECT_TRUE(d.extended);
    EXPECT_EQ(d.helpId, 7u);
    EXPECT_EQ(d.exStyle, 0x40000u);
    EXPECT_EQ(d.style, 0x80C800C8u);
    EXPECT_EQ(d.x, 1);
    EXPECT_EQ(d.y, 2);
    EXPECT_EQ(d.menu, NameOrOrdinal::Ordinal(5));
    EXPECT_EQ(d.title, u"\u5C0D");
    EXPECT_EQ(d.weight, 400);
    EXPECT_EQ(d.charset, 1);
    EXPECT_EQ(d.typeface, u"MS Shell Dlg");
    ASSERT_EQ(d.items.size(), 1u);
    EXPECT_EQ(d.items[0].id, -1);
    EXPECT_EQ(d.items[0].style, 0x50210102u);
    EXPECT_EQ(d.items[0].windowClass, NameOrOrdinal::Ordinal(0x85));
    EXPECT_EQ(d.items[0].text, NameOrOrdinal::Text(u""));
    EXPECT_EQ(d.items[0].creationData, (std::vector<std::uint8_t>{0xAB, 0xCD}));
}

TEST(ResReader, RefusesATemplateWithFewerControlsThanAnnounced) {
    Bytes t;
    t.U32(0x80C80080).U32(0).U16(1).U16(0).U16(0).U16(10).U16(10).U16(0).U16(0).Sz(u"");
    EXPECT_THROW(ParseDialog(t.data), std::runtime_error);
}

Bytes Dib2x2(std::int32_t height) {
    Bytes b;
    b.U32(40).U32(2).U32(static_cast<std::uint32_t>(height)).U16(1).U16(24).U32(0).U32(16);
    b.U32(0).U32(0).U32(0).U32(0);
    // Stored row 0, then row 1; each 6 bytes of BGR plus 2 of padding.
    b.U8(0x01).U8(0x02).U8(0x03).U8(0x04).U8(0x05).U8(0x06).U16(0);
    b.U8(0x11).U8(0x12).U8(0x13).U8(0x14).U8(0x15).U8(0x16).U16(0);
    return b;
}

TEST(ResReader, ReadsBottomUpRowsFromTheEndAndTopDownRowsFromTheStart) {
    const Dib bottomUp = Dib::Parse(Dib2x2(2).data);
    EXPECT_EQ(bottomUp.At(0, 0), (Rgb{0x13, 0x12, 0x11}));
    EXPECT_EQ(bottomUp.At(1, 1), (Rgb{0x06, 0x05, 0x04}));
    const Dib topDown = Dib::Parse(Dib2x2(-2).data);
    EXPECT_EQ(topDown.At(0, 0), (Rgb{0x03, 0x02, 0x01}));
    EXPECT_THROW(bottomUp.At(2, 0), std::runtime_error);
}

TEST(ResReader, RefusesABitmapWithMissingRows) {
    Bytes b = Dib2x2(2);
    b.data.resize(b.data.size() - 1);
    EXPECT_THROW(Dib::Parse(b.data), std::runtime_error);
}

TEST(ResReader, ReadsStringBlocksByLengthNotByTerminator) {
    Bytes block;
    for (int i = 0; i < 16; ++i) {
        if (i == 5) {
            block.U16(3).U16(u'a').U16(0).U16(u'b');
        } else {
            block.U16(0);
        }
    }
    const auto strings = ParseStringBlock(block.data);
    ASSERT_EQ(strings.size(), 16u);
    EXPECT_EQ(strings[5], std::u16string(u"a\0b", 3));
    block.data.pop_back();
    EXPECT_THROW(ParseStringBlock(block.data), std::runtime_error);
}

TEST(ResReader, ConvertsBetweenUtf8AndUtf16) {
    EXPECT_EQ(Utf8ToUtf16("\xE5\xB0\x8D"
                          "A"),
              u"\u5C0DA");
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x96\xA8"), u"\U0001F5A8");
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F5A8\u00E9"), "\xF0\x9F\x96\xA8\xC3\xA9");
    EXPECT_THROW(Utf8ToUtf16("\xE5\xB0"), std::runtime_error);
    EXPECT_THROW(Utf8ToUtf16("\x8D"), std::runtime_error);
}

}  // namespace
}  // namespace qar::res
