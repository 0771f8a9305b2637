#pragma once

#include "platform/processes.h"

namespace qar::win32 {

class Win32Processes final : public Processes {
  public:
    Result<std::unique_ptr<Process>> Start(std::string_view applicationPath,
                                           bool highPriority) override;
    void Sleep(std::uint32_t milliseconds) override;
    Result<std::unique_ptr<InstanceLock>> TryLock(std::string_view namespaceName,
                                                  std::string_view name) override;
};

}  // namespace qar::win32
