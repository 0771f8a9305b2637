#include "compiled_resources.h"

namespace qar::res {

const ResFile& CompiledResources() {
    static const ResFile file = ResFile::Load(QAR_RES_FILE);
    return file;
}

DialogTemplate CompiledDialog(std::uint16_t id) {
    const Resource* entry = CompiledResources().Find(kRtDialog, id);
    if (entry == nullptr) {
        ADD_FAILURE() << "dialog template " << id << " missing";
        return {};
    }
    return ParseDialog(entry->data);
}

Dib CompiledBitmap(std::uint16_t id) {
    const Resource* entry = CompiledResources().Find(kRtBitmap, id);
    if (entry == nullptr) throw std::runtime_error("bitmap " + std::to_string(id) + " missing");
    return Dib::Parse(entry->data);
}

void ExpectControls(const DialogTemplate& dialog, const std::vector<ExpectedControl>& expected) {
    ASSERT_EQ(dialog.items.size(), expected.size()) << "number of controls";
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const DialogItem& item = dialog.items[i];
        const ExpectedControl& want = expected[i];
        SCOPED_TRACE("control #" + std::to_string(i) + " " + Describe(want.text));
        EXPECT_EQ(item.id, want.id);
        EXPECT_EQ(item.windowClass, NameOrOrdinal::Ordinal(want.classOrdinal))
            << "class " << Describe(item.windowClass);
        EXPECT_EQ(item.text, want.text) << "text " << Describe(item.text);
        EXPECT_EQ(item.x, want.x);
        EXPECT_EQ(item.y, want.y);
        EXPECT_EQ(item.cx, want.cx);
        EXPECT_EQ(item.cy, want.cy);
        EXPECT_EQ(item.style, want.style) << std::hex << "style 0x" << item.style;
        EXPECT_EQ(item.exStyle, want.exStyle) << std::hex << "ex-style 0x" << item.exStyle;
        EXPECT_TRUE(item.creationData.empty());
    }
}

}  // namespace qar::res
