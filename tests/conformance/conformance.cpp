#include "conformance/conformance.h"

#include <gtest/gtest-spi.h>

#include <iostream>

namespace qar::conformance {

namespace {

int counter = 0;

}  // namespace

std::string Unique(std::string_view stem) {
    return std::string(stem) + "-" + std::to_string(++counter);
}

std::string ScratchFolder(World& world) {
    const std::string folder = "C:\\qar-conformance\\" + Unique("case");
    world.StageFolder(folder);
    return folder;
}

std::string NameOf(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

void PrintTo(const Case& rule, std::ostream* out) {
    *out << rule.name;
}

void RunCase(const Case& rule) {
    const std::unique_ptr<World> world = MakeWorld();
    if (!world->UnderWine() || rule.wine == OnWine::kKeeps) {
        rule.check(*world);
        return;
    }
    if (rule.wine == OnWine::kFakesOnly) {
        std::cout << "[ FAKES ONLY ] " << rule.name << ": " << rule.why << "\n";
        GTEST_SKIP() << rule.why;
    }
    ::testing::TestPartResultArray failures;
    {
        ::testing::ScopedFakeTestPartResultReporter intercept(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        rule.check(*world);
    }
    if (failures.size() == 0) {
        ADD_FAILURE() << "Wine now keeps the rule (" << rule.why << "): drop its marker";
        return;
    }
    std::cout << "[ WINE LENIENT ] " << rule.name << ": " << rule.why << "\n";
}

}  // namespace qar::conformance
