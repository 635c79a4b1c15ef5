// The bit stream of LZX: 16-bit little-endian words, each filled from its
// most significant bit down, so that a reader peeking at the top bits of its
// buffer sees the next code first.
#pragma once

#include <cstdint>
#include <string>

namespace lh::chm {

class LzxBitWriter {
 public:
  explicit LzxBitWriter(std::string& out) : out_(out) {}

  // Appends the low `count` bits of `value` (count <= 32), first bit first.
  void put(uint32_t value, unsigned count) {
    acc_ = (acc_ << count) | value;
    pending_ += count;
    while (pending_ >= 16) {
      pending_ -= 16;
      const auto word = static_cast<uint16_t>(acc_ >> pending_);
      const char bytes[2] = {static_cast<char>(word & 0xff), static_cast<char>(word >> 8)};
      out_.append(bytes, 2);
    }
    acc_ &= (uint64_t{1} << pending_) - 1;
  }

  // Pads the current word with zero bits; nothing when already on a word.
  void align() {
    if (pending_) put(0, 16 - pending_);
  }

  // Bits written past the last whole word: 0 to 15.
  unsigned pending_bits() const { return pending_; }

  // Raw bytes: only at a word boundary.
  void put_bytes(const void* bytes, size_t count) { out_.append(static_cast<const char*>(bytes), count); }

 private:
  std::string& out_;
  uint64_t acc_ = 0;
  unsigned pending_ = 0;
};

}  // namespace lh::chm
