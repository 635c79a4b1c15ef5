// Code lengths for LZX trees: readers accept only complete codes (the Kraft
// sum exactly 1) no longer than the tree allows, whatever the frequencies.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "chm/lzx_huffman.h"

namespace {

// Kraft sum in units of 2^-16, and the longest length.
void check_code(const std::vector<uint32_t>& freq, unsigned max_length) {
  std::vector<uint8_t> len(freq.size());
  lh::chm::huffman_lengths(freq.data(), freq.size(), max_length, len.data());
  uint64_t kraft = 0;
  size_t used = 0;
  for (size_t s = 0; s < freq.size(); ++s) {
    EXPECT_LE(len[s], max_length) << "symbol " << s;
    if (freq[s]) {
      EXPECT_GT(len[s], 0u) << "symbol " << s;
    }
    if (len[s]) kraft += uint64_t{1} << (16 - len[s]);
    used += freq[s] != 0;
  }
  EXPECT_EQ(kraft, used == 0 ? 0u : uint64_t{1} << 16);
}

TEST(LzxHuffman, CompleteCodesWithinTheLengthLimit) {
  // Fibonacci frequencies make the deepest unlimited tree: 39 levels.
  std::vector<uint32_t> fib(40);
  fib[0] = fib[1] = 1;
  for (size_t i = 2; i < fib.size(); ++i) fib[i] = fib[i - 1] + fib[i - 2];
  check_code(fib, 16);
  check_code(std::vector<uint32_t>(fib.begin(), fib.begin() + 20), 15);  // a pretree
  std::vector<uint32_t> one(20, 0);
  one[7] = 5;
  check_code(one, 15);  // one symbol gets a partner
  one[7] = 0;
  check_code(one, 15);  // nothing used: all lengths 0
  std::vector<uint32_t> flat(656, 3);
  check_code(flat, 16);
}

}  // namespace
