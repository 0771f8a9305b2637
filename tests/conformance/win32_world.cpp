// The suite cross-compiled: the Win32 implementations, run under Wine on a fresh prefix.
#include <windows.h>
#include <winioctl.h>

#include "conformance/world.h"
#include "platform/win32/win32_device_setup.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_profile.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_spooler.h"

namespace qar::conformance {

namespace {

bool RunByWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Redirection off for the thread while staging, so that a path leads where it says.
class RedirectionOff {
  public:
    RedirectionOff() { Wow64DisableWow64FsRedirection(&old_); }
    ~RedirectionOff() { Wow64RevertWow64FsRedirection(old_); }
    RedirectionOff(const RedirectionOff&) = delete;
    RedirectionOff& operator=(const RedirectionOff&) = delete;

  private:
    void* old_ = nullptr;
};

// REPARSE_DATA_BUFFER's mount-point form, which mingw-w64's user-mode headers leave out.
struct MountPointReparseBuffer {
    DWORD tag;
    WORD dataLength;
    WORD reserved;
    WORD substituteOffset;
    WORD substituteLength;
    WORD printOffset;
    WORD printLength;
    WCHAR names[MAX_PATH * 2 + 8];
};

bool SetJunction(HANDLE folder, const std::wstring& target) {
    const std::wstring substitute = L"\\??\\" + target;
    MountPointReparseBuffer buffer{};
    if (substitute.size() + target.size() + 2 > std::size(buffer.names)) return false;
    buffer.tag = IO_REPARSE_TAG_MOUNT_POINT;
    buffer.substituteLength = static_cast<WORD>(substitute.size() * sizeof(WCHAR));
    buffer.printOffset = static_cast<WORD>(buffer.substituteLength + sizeof(WCHAR));
    buffer.printLength = static_cast<WORD>(target.size() * sizeof(WCHAR));
    substitute.copy(buffer.names, substitute.size());
    target.copy(buffer.names + substitute.size() + 1, target.size());
    buffer.dataLength = static_cast<WORD>(8 + buffer.printOffset + buffer.printLength + 2);
    DWORD returned = 0;
    return DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, &buffer, 8 + buffer.dataLength, nullptr,
                           0, &returned, nullptr);
}

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

class Win32World final : public World {
  public:
    Spooler& spooler() override { return spooler_; }
    Registry& registry() override { return registry_; }
    FileSystem& files() override { return files_; }
    Profile& profile() override { return profile_; }
    Processes& processes() override { return processes_; }
    DeviceSetup& deviceSetup() override { return deviceSetup_; }
    bool UnderWine() const override { return RunByWine(); }
    bool Wow64Process() const override { return sizeof(void*) == 4; }
    void StageFile(const std::string& path, std::string_view content) override {
        StageFolder(path.substr(0, path.rfind('\\')));
        RedirectionOff off;
        const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return;
        DWORD written = 0;
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        CloseHandle(file);
    }
    void StageFolder(const std::string& path) override {
        RedirectionOff off;
        for (std::size_t step = path.find('\\', 3); step != std::string::npos;
             step = path.find('\\', step + 1)) {
            CreateDirectoryA(path.substr(0, step).c_str(), nullptr);
        }
        CreateDirectoryA(path.c_str(), nullptr);
    }

    bool MakeJunction(const std::string& folder, const std::string& target) override {
        const HANDLE handle = CreateFileA(folder.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        const bool made = SetJunction(handle, Wide(target));
        CloseHandle(handle);
        return made;
    }

  private:
    win32::Win32Spooler spooler_;
    win32::Win32Registry registry_;
    win32::Win32FileSystem files_;
    win32::Win32Profile profile_;
    win32::Win32Processes processes_;
    win32::Win32DeviceSetup deviceSetup_;
};

}  // namespace

std::unique_ptr<World> MakeWorld() {
    return std::make_unique<Win32World>();
}

}  // namespace qar::conformance
