#include "platform/win32/bounded_read.h"

#include "platform/win32/handle_traits.h"

namespace qar::win32 {

namespace {

struct Watch {
    HANDLE reader;
    HANDLE done;
    DWORD bound;
};

DWORD WINAPI Watchdog(void* parameter) {
    const auto* watch = static_cast<const Watch*>(parameter);
    if (WaitForSingleObject(watch->done, watch->bound) == WAIT_TIMEOUT) {
        CancelSynchronousIo(watch->reader);
    }
    return 0;
}

}  // namespace

Result<std::vector<std::uint8_t>> ReadWithBound(HANDLE file, std::uint32_t maxBytes,
                                                std::uint32_t boundMilliseconds) {
    HANDLE reader = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &reader,
                         THREAD_TERMINATE, FALSE, 0)) {
        return Failure{static_cast<Win32Error>(GetLastError())};
    }
    UniqueKernelObject readerThread(reader);
    UniqueKernelObject done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!done) return Failure{static_cast<Win32Error>(GetLastError())};
    Watch watch{readerThread.Get(), done.Get(), boundMilliseconds};
    UniqueKernelObject watchdog(CreateThread(nullptr, 0, &Watchdog, &watch, 0, nullptr));
    if (!watchdog) return Failure{static_cast<Win32Error>(GetLastError())};

    std::vector<std::uint8_t> reply(maxBytes, 0);
    DWORD read = 0;
    const BOOL ok = ReadFile(file, reply.data(), maxBytes, &read, nullptr);
    const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    SetEvent(done.Get());
    WaitForSingleObject(watchdog.Get(), INFINITE);
    if (!ok) return Failure{static_cast<Win32Error>(error)};
    reply.resize(read);
    return reply;
}

}  // namespace qar::win32
