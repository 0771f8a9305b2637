// The box in which the spooler steps report a refusal: the system's text for the error code.
#pragma once

#include "platform/user_interface.h"
#include "platform/win32_error.h"

namespace qar {

void ShowErrorBox(UserInterface& ui, Win32Error code);

}  // namespace qar
