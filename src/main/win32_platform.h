// The real services, bundled as the logic expects them.
#pragma once

#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_device_setup.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_profile.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_spooler.h"
#include "views/win32_user_interface.h"

namespace qar::win32 {

class Win32Platform {
  public:
    explicit Win32Platform(HINSTANCE instance) : ui_(instance) {}
    Platform& Services() { return services_; }
    ApplicationDialogs& Dialogs() { return ui_; }

  private:
    Win32Spooler spooler_;
    Win32Registry registry_;
    Win32DeviceSetup deviceSetup_;
    Win32FileSystem files_;
    Win32Processes processes_;
    Win32Profile profile_;
    Win32Shell shell_;
    Win32UserInterface ui_;
    Win32Clock clock_;
    Platform services_{spooler_, registry_, deviceSetup_, files_, processes_,
                       profile_, shell_,    ui_,          clock_};
};

}  // namespace qar::win32
