// Access to the program's compiled resources and helpers shared by the resource tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "res_reader.h"

namespace qar::res {

// Window, dialog and control style bits (values of the Windows headers, which the
// native build does not have).
inline constexpr std::uint32_t kWsPopup = 0x80000000;
inline constexpr std::uint32_t kWsChild = 0x40000000;
inline constexpr std::uint32_t kWsVisible = 0x10000000;
inline constexpr std::uint32_t kWsCaption = 0x00C00000;
inline constexpr std::uint32_t kWsVscroll = 0x00200000;
inline constexpr std::uint32_t kWsSysmenu = 0x00080000;
inline constexpr std::uint32_t kWsGroup = 0x00020000;
inline constexpr std::uint32_t kWsTabstop = 0x00010000;
inline constexpr std::uint32_t kDsModalFrame = 0x80;
inline constexpr std::uint32_t kDsSetFont = 0x40;
inline constexpr std::uint32_t kDsFixedSys = 0x08;
inline constexpr std::uint32_t kWsExAppWindow = 0x00040000;
inline constexpr std::uint32_t kWsExClientEdge = 0x00000200;
inline constexpr std::uint32_t kBsPushButton = 0x0;
inline constexpr std::uint32_t kBsDefPushButton = 0x1;
inline constexpr std::uint32_t kBsGroupBox = 0x7;
inline constexpr std::uint32_t kSsLeft = 0x0;
inline constexpr std::uint32_t kSsIcon = 0x3;
inline constexpr std::uint32_t kSsNoPrefix = 0x80;
inline constexpr std::uint32_t kCbsDropDown = 0x2;
inline constexpr std::uint32_t kCbsSort = 0x100;

// Predefined control classes, stored as ordinals in a template.
inline constexpr std::uint16_t kButtonClass = 0x80;
inline constexpr std::uint16_t kStaticClass = 0x82;
inline constexpr std::uint16_t kComboBoxClass = 0x85;

inline constexpr std::uint16_t kLangEnglishUs = 0x0409;
inline constexpr std::int32_t kNoId = -1;  // IDC_STATIC

// The .res file compiled from resources/modelprobe.rc, read once.
const ResFile& CompiledResources();

// Dialog template `id` of the compiled resources; fails the test when it is missing.
DialogTemplate CompiledDialog(std::uint16_t id);

// Bitmap `id` of the compiled resources.
Dib CompiledBitmap(std::uint16_t id);

struct ExpectedControl {
    std::int32_t id;
    std::uint16_t classOrdinal;
    NameOrOrdinal text;
    std::int16_t x, y, cx, cy;
    std::uint32_t style;  // complete style value
    std::uint32_t exStyle;
};

inline NameOrOrdinal Text(const char16_t* text) {
    return NameOrOrdinal::Text(text);
}

// Compares the controls of `dialog` with `expected`, in order (creation and tab order).
void ExpectControls(const DialogTemplate& dialog, const std::vector<ExpectedControl>& expected);

}  // namespace qar::res
