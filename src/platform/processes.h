// Process and thread services: running a program and waiting for it, pausing the thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/result.h"

namespace qar {

// A started process; destroying the object closes its process and thread handles.
class Process {
  public:
    virtual ~Process() = default;
    virtual Win32Error WaitForExit() = 0;  // no time limit
};

// This program's hold on a machine-wide name; letting go is the destructor's job.
class InstanceLock {
  public:
    virtual ~InstanceLock() = default;
};

class Processes {
  public:
    virtual ~Processes() = default;
    // CreateProcessA with the application name, no command line, HIGH_PRIORITY_CLASS if asked.
    virtual Result<std::unique_ptr<Process>> Start(std::string_view applicationPath,
                                                   bool highPriority) = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // Takes the machine-wide lock `name` without waiting, in the private namespace
    // `namespaceName`, whose boundary admits only the Administrators group: no standard user can
    // make the lock first. The lock; null while another run of the installer holds it; a failure
    // when it cannot be taken for another reason (a run that is not elevated, say).
    virtual Result<std::unique_ptr<InstanceLock>> TryLock(std::string_view namespaceName,
                                                          std::string_view name) = 0;
};

}  // namespace qar
