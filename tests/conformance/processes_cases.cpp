// Starting programs and the machine-wide lock, as the installer relies on them.
#include "conformance/conformance.h"
#include "platform/win32_error.h"

namespace qar::conformance {

namespace {

const Case kProcessCases[] = {
    {"StartingAProgramThatIsNotThereFailsWith2",
     [](World& world) {
         const auto started = world.processes().Start(ScratchFolder(world) + "\\absent.exe", false);
         EXPECT_EQ(started.error(), win32_error::kFileNotFound);
     }},
    {"ALockIsTakenOnceUntilItsHolderLetsGo",
     [](World& world) {
         const std::string name = Unique("QAR.Conformance.Lock");
         auto first = world.processes().TryLock("QAR.Conformance", name);
         ASSERT_TRUE(first);
         ASSERT_NE(*first, nullptr);
         auto second = world.processes().TryLock("QAR.Conformance", name);
         ASSERT_TRUE(second);
         EXPECT_EQ(*second, nullptr);
         first->reset();
         auto again = world.processes().TryLock("QAR.Conformance", name);
         ASSERT_TRUE(again);
         EXPECT_NE(*again, nullptr);
     },
     OnWine::kLenient,
     "a second CreateMutex of a name in the same private namespace opens the first "
     "(ERROR_ALREADY_EXISTS); under Wine 8 the second hold is taken too"},
};

QAR_CONFORMANCE_SUITE(Processes, kProcessCases);

}  // namespace

}  // namespace qar::conformance
