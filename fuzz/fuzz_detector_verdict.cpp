// The detector's result file and the page it selects.

#include "dialogs/avi_player.h"
#include "discovery/usb_detector.h"
#include "fakes/fake_platform.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qar;
    fake::FakePlatform fakes;
    fakes.files.files[std::string(kDetectorResultPath)] = std::string(data, data + size);
    const std::string verdict = ReadDetectorVerdict(fakes.profile);
    FUZZ_CHECK(verdict.size() <= 254);

    AviPlayer help(fakes.shell, fakes.ui);
    help.SetMediaPath(verdict == "2" ? kUsbClipPath : kNoClip);
    fake::FakeConnectionHelpWindow window;
    help.OnInitDialog(window);
    FUZZ_CHECK(help.InstructionPage() == (verdict != "2"));
    FUZZ_CHECK(window.helpButtonsHidden == (verdict == "2"));
    FUZZ_CHECK(window.placement.has_value());

    const std::string path(reinterpret_cast<const char*>(data), size);
    FUZZ_CHECK(AviPlayer::IsInstructionPage(path) == (path.rfind("NUL", 0) == 0));
    return 0;
}
