// The five flows of the program, each in a world of fakes where it can run to its end.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/install_state.h"
#include "fakes/fake_platform.h"

namespace qar::faults {

inline constexpr const char* kDriverDirectory = "C:\\windows\\system32\\spool\\drivers\\x64";

// `arm` injects the fault and clears the call log: everything a flow does before it is
// preparation, everything after it is the flow under test.
using Arm = std::function<void()>;

struct Flow {
    std::string name;
    std::function<void(fake::FakePlatform&)> prepare;
    std::function<void(fake::FakePlatform&, InstallState&, const Arm&)> run;
};

std::vector<Flow> AllFlows();

}  // namespace qar::faults
