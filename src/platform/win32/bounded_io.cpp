#include "platform/win32/bounded_io.h"

#include "platform/win32/handle_traits.h"

namespace qar::win32 {

namespace {

struct Watch {
    HANDLE caller;
    HANDLE done;
    DWORD bound;
};

// Past the deadline the call may not have entered ReadFile or WriteFile yet (a loaded machine),
// and a cancel then finds nothing: it is asked again until the call has returned.
constexpr DWORD kCancelAgainMilliseconds = 10;

DWORD WINAPI Watchdog(void* parameter) {
    const auto* watch = static_cast<const Watch*>(parameter);
    DWORD wait = watch->bound;
    while (WaitForSingleObject(watch->done, wait) == WAIT_TIMEOUT) {
        CancelSynchronousIo(watch->caller);
        wait = kCancelAgainMilliseconds;
    }
    return 0;
}

// Makes `call`, one synchronous I/O call on this thread, while a watchdog waits for it: the
// call's error, or that of the watchdog's set-up.
template <typename Call>
Win32Error CallWithBound(std::uint32_t boundMilliseconds, Call call) {
    HANDLE caller = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &caller,
                         THREAD_TERMINATE, FALSE, 0)) {
        return LastError();
    }
    UniqueKernelObject callerThread(caller);
    UniqueKernelObject done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!done) return LastError();
    Watch watch{callerThread.Get(), done.Get(), boundMilliseconds};
    UniqueKernelObject watchdog(CreateThread(nullptr, 0, &Watchdog, &watch, 0, nullptr));
    if (!watchdog) return LastError();

    const Win32Error error = call() ? win32_error::kSuccess : LastError();
    SetEvent(done.Get());
    WaitForSingleObject(watchdog.Get(), INFINITE);
    return error;
}

}  // namespace

Result<std::vector<std::uint8_t>> ReadWithBound(HANDLE file, std::uint32_t maxBytes,
                                                std::uint32_t boundMilliseconds) {
    std::vector<std::uint8_t> reply(maxBytes, 0);
    DWORD read = 0;
    const Win32Error error = CallWithBound(
        boundMilliseconds, [&] { return ReadFile(file, reply.data(), maxBytes, &read, nullptr); });
    if (error != win32_error::kSuccess) return Failure{error};
    reply.resize(read);
    return reply;
}

Result<std::uint32_t> WriteWithBound(HANDLE file, std::span<const std::uint8_t> bytes,
                                     std::uint32_t boundMilliseconds) {
    DWORD written = 0;
    const Win32Error error = CallWithBound(boundMilliseconds, [&] {
        return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    });
    if (error != win32_error::kSuccess) return Failure{error};
    return static_cast<std::uint32_t>(written);
}

}  // namespace qar::win32
