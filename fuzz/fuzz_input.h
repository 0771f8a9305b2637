// Splits a fuzzer's bytes into the pieces a target needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

// Like assert, but kept in optimised builds: a broken property is a crash the fuzzer keeps.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

namespace qar::fuzz {

class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return offset_ >= size_; }
    std::uint8_t Byte() { return Empty() ? 0 : data_[offset_++]; }
    // A piece whose length is given by the next byte.
    std::vector<std::uint8_t> Piece() {
        std::size_t length = Byte();
        if (length > size_ - offset_) length = size_ - offset_;
        std::vector<std::uint8_t> piece(data_ + offset_, data_ + offset_ + length);
        offset_ += length;
        return piece;
    }
    std::string Text() {
        const auto piece = Piece();
        return std::string(piece.begin(), piece.end());
    }
    std::vector<std::uint8_t> Rest() {
        std::vector<std::uint8_t> rest(data_ + offset_, data_ + size_);
        offset_ = size_;
        return rest;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

}  // namespace qar::fuzz
