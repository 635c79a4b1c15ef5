// Hash chains over a sliding buffer: for a position, the earlier positions
// that start with the same three bytes, newest first. Positions are indices
// into the compressor's buffer; the chains are cut at the window's far end
// and at the last reset, and walked to a bounded depth.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace lh::chm {

class LzxMatchFinder {
 public:
  static constexpr unsigned kHashBits = 16;
  static constexpr int32_t kNone = INT32_MIN / 2;

  explicit LzxMatchFinder(uint32_t window_size)
      : mask_(window_size - 1), head_(size_t{1} << kHashBits, kNone), prev_(window_size, kNone) {}

  static uint32_t hash(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return ((v & 0xffffff) * 2654435761u) >> (32 - kHashBits);
  }

  // Adds position `pos` of `buf` (three bytes readable there).
  void insert(const uint8_t* buf, int32_t pos) {
    int32_t& h = head_[hash(buf + pos)];
    prev_[pos & mask_] = h;
    h = pos;
  }

  int32_t first(const uint8_t* buf, int32_t pos) const { return head_[hash(buf + pos)]; }
  int32_t next(int32_t pos) const { return prev_[pos & mask_]; }

  // The buffer dropped its first `shift` bytes (a multiple of the window).
  void shift(int32_t by) {
    auto down = [by](int32_t& v) { v = std::max(v - by, kNone); };
    std::for_each(head_.begin(), head_.end(), down);
    std::for_each(prev_.begin(), prev_.end(), down);
  }

 private:
  uint32_t mask_;
  std::vector<int32_t> head_;
  std::vector<int32_t> prev_;
};

// Length of the common prefix of a and b, at most `limit`; may read up to 7
// bytes past it.
inline uint32_t match_length(const uint8_t* a, const uint8_t* b, uint32_t limit) {
  uint32_t n = 0;
  while (n + 8 <= limit + 7) {
    uint64_t x, y;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (x != y) return std::min(limit, n + static_cast<uint32_t>(__builtin_ctzll(x ^ y) >> 3));
    n += 8;
  }
  return std::min(n, limit);
}

}  // namespace lh::chm
