// One table of rules per seam interface, each case run on the fakes and on the Win32 code.
#pragma once

#include <gtest/gtest.h>

#include "conformance/world.h"

namespace qar::conformance {

// What Wine makes of a rule that Windows keeps (as Wine's own todo_wine and broken() mark it).
enum class OnWine {
    kKeeps,
    kLenient,    // Wine lets through what Windows refuses: an expected failure, reported
    kFakesOnly,  // Wine cannot show it at all (no junctions, one account, stubs that say yes)
};

struct Case {
    const char* name;  // the rule, as a test name
    void (*check)(World&);
    OnWine wine = OnWine::kKeeps;
    const char* why = "";  // the documented rule Wine does not keep, or why it cannot run it
};

void RunCase(const Case& rule);
void PrintTo(const Case& rule, std::ostream* out);

// Names each instance after its rule.
std::string NameOf(const ::testing::TestParamInfo<Case>& info);

}  // namespace qar::conformance

#define QAR_CONFORMANCE_SUITE(Suite, cases)                                     \
    class Suite : public ::testing::TestWithParam<::qar::conformance::Case> {}; \
    TEST_P(Suite, Holds) {                                                      \
        ::qar::conformance::RunCase(GetParam());                                \
    }                                                                           \
    INSTANTIATE_TEST_SUITE_P(Rules, Suite, ::testing::ValuesIn(cases), ::qar::conformance::NameOf)
