// The suite natively: the fakes, set up as the shipping program sees Windows (a 32-bit process
// on 64-bit Windows).
#include "conformance/world.h"
#include "discovery/usb_interface_table.h"
#include "fakes/fake_platform.h"

namespace qar::conformance {

namespace {

class FakeWorld final : public World {
  public:
    // The outer setup has left the driver's files in the driver directory.
    FakeWorld() {
        fakes_.files.folders.insert("C:\\");
        fakes_.files.StageDriverFiles(fakes_.spooler.driverDirectory);
        fakes_.files.files["C:\\windows\\system32\\qartemp\\qarum1Nt.dll"] = "monitor";
        const std::string cutter =
            "\\\\?\\usb#vid_1a7e&pid_0001#conformance#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
        fakes_.deviceSetup.expectedClass = kUsbPrintInterfaceClass;
        fakes_.deviceSetup.interfaces.push_back({cutter, 1});
        fakes_.files.devices[cutter].reply.assign(kCutterReply.begin(), kCutterReply.end());
    }
    Spooler& spooler() override { return fakes_.spooler; }
    Registry& registry() override { return fakes_.registry; }
    FileSystem& files() override { return fakes_.files; }
    Profile& profile() override { return fakes_.profile; }
    Processes& processes() override { return fakes_.processes; }
    DeviceSetup& deviceSetup() override { return fakes_.deviceSetup; }
    bool UnderWine() const override { return false; }
    bool Wow64Process() const override { return fakes_.files.wow64Process; }
    void StageFile(const std::string& path, std::string_view content) override {
        StageFolder(path.substr(0, path.rfind('\\')));
        fakes_.files.files[path] = std::string(content);
    }
    void StageFolder(const std::string& path) override {
        for (std::size_t step = path.find('\\', 3); step != std::string::npos;
             step = path.find('\\', step + 1)) {
            fakes_.files.folders.insert(path.substr(0, step));
        }
        fakes_.files.folders.insert(path);
    }

    bool MakeJunction(const std::string& folder, const std::string& target) override {
        fakes_.files.links[folder] = target;
        return true;
    }

  private:
    fake::FakePlatform fakes_;
};

}  // namespace

std::unique_ptr<World> MakeWorld() {
    return std::make_unique<FakeWorld>();
}

}  // namespace qar::conformance
