// One implementation of the seam under test: the fakes natively, or the Win32 code under Wine.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/device_setup.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/spooler.h"

namespace qar::conformance {

class World {
  public:
    virtual ~World() = default;
    virtual Spooler& spooler() = 0;
    virtual Registry& registry() = 0;
    virtual FileSystem& files() = 0;
    virtual Profile& profile() = 0;
    virtual Processes& processes() = 0;
    virtual DeviceSetup& deviceSetup() = 0;
    // The Win32 implementations, run by Wine.
    virtual bool UnderWine() const = 0;
    // A 32-bit process on 64-bit Windows, as the shipping program is.
    virtual bool Wow64Process() const = 0;
    // Set-up beside the seam: a file (its folder made) or a folder where the path really leads,
    // no redirection applied.
    virtual void StageFile(const std::string& path, std::string_view content) = 0;
    virtual void StageFolder(const std::string& path) = 0;
    // Turns an empty folder into a junction to `target`, as anyone with write-attributes on it
    // may (FSCTL_SET_REPARSE_POINT); true when it took.
    virtual bool MakeJunction(const std::string& folder, const std::string& target) = 0;
};

// The simulated cutter plugged in for the device cases: serial "conformance", port number 1,
// answering every request with kCutterReply.
inline constexpr std::string_view kCutterSerial = "#conformance#";
inline constexpr std::string_view kCutterReply = "QAR,V1,Tolvar-60,OK\r\n";

// Fakes or Win32: one of the two is linked into each run of the suite.
std::unique_ptr<World> MakeWorld();

// A name no other case of this run uses, so that the cases sharing one machine never meet.
std::string Unique(std::string_view stem);

// A folder of the case's own on C:, made.
std::string ScratchFolder(World& world);

}  // namespace qar::conformance
