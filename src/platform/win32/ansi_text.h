#pragma once

#include <string>
#include <string_view>

namespace qar::win32 {

// The text as the ANSI functions read it: converted with the ANSI code page. Empty when it cannot
// be converted.
std::wstring WideFromAnsi(std::string_view text);

}  // namespace qar::win32
