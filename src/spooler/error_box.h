// The box in which the spooler steps report a refusal: the system's text for the error code.
#pragma once

#include <string_view>

#include "platform/user_interface.h"
#include "platform/win32_error.h"

namespace qar {

// A `cause` the system's text cannot know follows it in a paragraph of its own.
void ShowErrorBox(UserInterface& ui, Win32Error code, std::string_view cause = {});

}  // namespace qar
