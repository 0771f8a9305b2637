// GoogleTest's Notification wants std::mutex and std::condition_variable, which mingw-w64's win32
// thread model leaves out; force-included into the cross build of the suite, which runs on one
// thread, so nothing here ever waits.
#pragma once

#include <bits/c++config.h>

#if !defined(_GLIBCXX_HAS_GTHREADS)
#include <windows.h>

#include <mutex>

namespace std {

class mutex {
  public:
    void lock() { AcquireSRWLockExclusive(&lock_); }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }
    SRWLOCK* native_handle() { return &lock_; }

  private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

class condition_variable {
  public:
    void notify_all() { WakeAllConditionVariable(&variable_); }
    template <typename Ready>
    void wait(unique_lock<mutex>& lock, Ready ready) {
        while (!ready()) {
            SleepConditionVariableSRW(&variable_, lock.mutex()->native_handle(), INFINITE, 0);
        }
    }

  private:
    CONDITION_VARIABLE variable_ = CONDITION_VARIABLE_INIT;
};

}  // namespace std
#endif
