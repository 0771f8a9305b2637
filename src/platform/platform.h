// Folder platform: the seam to Windows (win32/ and tests/fakes implement it).
// Every platform service the installer uses, handed around as one bundle of references.
#pragma once

#include "platform/clock.h"
#include "platform/device_setup.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/spooler.h"
#include "platform/user_interface.h"

namespace qar {

struct Platform {
    Spooler& spooler;
    Registry& registry;
    DeviceSetup& deviceSetup;
    FileSystem& files;
    Processes& processes;
    Profile& profile;
    Shell& shell;
    UserInterface& ui;
    Clock& clock;
};

}  // namespace qar
