// A value or the Win32 error code that explains why there is none.
#pragma once

#include <optional>
#include <utility>

#include "platform/win32_error.h"

namespace qar {

struct Failure {
    Win32Error code;
};

template <typename T>
class [[nodiscard]] Result {
  public:
    Result(T value) : value_(std::move(value)) {}
    Result(Failure failure)
        : error_(failure.code == 0 ? win32_error::kInvalidHandle : failure.code) {}

    explicit operator bool() const { return value_.has_value(); }
    Win32Error error() const { return error_; }

    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }

  private:
    std::optional<T> value_;
    Win32Error error_ = win32_error::kSuccess;
};

}  // namespace qar
