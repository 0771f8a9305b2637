// Every fake in one place, wired to one shared control, for tests that own their whole world.
#pragma once

#include "fakes/fake_clock.h"
#include "fakes/fake_control.h"
#include "fakes/fake_device_setup.h"
#include "fakes/fake_files.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_profile.h"
#include "fakes/fake_registry.h"
#include "fakes/fake_shell.h"
#include "fakes/fake_spooler.h"
#include "fakes/fake_user_interface.h"
#include "platform/platform.h"

namespace qar::fake {

struct FakePlatform {
    FakePlatform() {
        spooler.machineFiles = &files;
        spooler.usbDevices = &deviceSetup;
    }
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    FakeControl control;
    FakeSpooler spooler{control};
    FakeRegistry registry{control};
    FakeDeviceSetup deviceSetup{control, registry};
    FakeFileSystem files{control};
    FakeProcesses processes{control};
    FakeProfile profile{control, files};
    FakeShell shell{control};
    FakeUserInterface ui{control};
    FakeClock clock;
    Platform platform{spooler, registry, deviceSetup, files, processes, profile, shell, ui, clock};
};

}  // namespace qar::fake
