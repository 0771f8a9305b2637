// Owner of one COM interface pointer: released when the owner goes.
#pragma once

#include <unknwn.h>

#include <utility>

namespace qar::win32 {

template <typename Interface>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.pointer_, nullptr));
        return *this;
    }
    ~ComPtr() { Reset(); }

    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // For a call that hands out an interface: whatever was held is released first.
    Interface** Put() {
        Reset();
        return &pointer_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    // The same object's `Other` interface, or none.
    template <typename Other>
    ComPtr<Other> As(REFIID iid) const {
        ComPtr<Other> other;
        if (pointer_) pointer_->QueryInterface(iid, other.PutVoid());
        return other;
    }

  private:
    void Reset(Interface* pointer = nullptr) {
        if (Interface* old = std::exchange(pointer_, pointer)) old->Release();
    }

    Interface* pointer_ = nullptr;
};

}  // namespace qar::win32
