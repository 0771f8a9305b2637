#include <gtest/gtest.h>

#include "discovery/usb_detector.h"
#include "fakes/fake_platform.h"

namespace qar {
namespace {

class UsbDetectorTest : public ::testing::Test {
  protected:
    void WriteResult(std::string content) {
        fakes.files.files[std::string(kDetectorResultPath)] = std::move(content);
    }
    fake::FakePlatform fakes;
};

TEST_F(UsbDetectorTest, DetectorIsStartedAtHighPriorityAndWaitedFor) {
    bool ran = false;
    fakes.processes.programs[std::string(kDetectorPath)] = [&] { ran = true; };
    EXPECT_EQ(RunUsbDetector(fakes.processes), 1);
    EXPECT_TRUE(ran);
    EXPECT_EQ(fakes.control.CallsNamed("CreateProcess").at(0),
              "CreateProcess(C:\\WINDOWS\\system32\\spool\\drivers\\x64\\UsbDetect_64.exe, high)");
    EXPECT_EQ(fakes.control.OpenHandles(), 0);
}

TEST_F(UsbDetectorTest, AbsentDetectorStillGivesOneAndNothingToWaitFor) {
    EXPECT_EQ(RunUsbDetector(fakes.processes), 1);
    EXPECT_EQ(fakes.control.CountCalls("WaitForSingleObject"), 0u);
}

TEST_F(UsbDetectorTest, VerdictCases) {
    EXPECT_EQ(ReadDetectorVerdict(fakes.profile), "N/A");
    WriteResult("[UDevice]\nmode=2\n");
    EXPECT_EQ(ReadDetectorVerdict(fakes.profile), "2");
    WriteResult("[UDevice]\nother=1\n");
    EXPECT_EQ(ReadDetectorVerdict(fakes.profile), "N/A");
    WriteResult("[UDevice]\nmode=\n");
    EXPECT_EQ(ReadDetectorVerdict(fakes.profile), "");
    WriteResult("[UDevice]\nmode=" + std::string(300, '7') + "\n");
    EXPECT_EQ(ReadDetectorVerdict(fakes.profile), std::string(254, '7'));
}

TEST_F(UsbDetectorTest, DetectorWritingModeTwoIsReadAfterItEnds) {
    fakes.processes.programs[std::string(kDetectorPath)] = [&] {
        WriteResult("[UDevice]\nmode=2\n");
    };
    RunUsbDetector(fakes.processes);
    EXPECT_EQ(ReadDetectorVerdict(fakes.profile), "2");
}

}  // namespace
}  // namespace qar
