#include "chm/lzx_huffman.h"

#include <algorithm>
#include <vector>

namespace lh::chm {
namespace {

// Depth of each leaf of a Huffman tree built over the given symbols
// (sorted by frequency, then symbol, so that ties always break alike).
unsigned build_depths(const uint32_t* freq, const std::vector<uint16_t>& symbols, uint8_t* lengths) {
  const size_t n = symbols.size();
  // Nodes 0..n-1 are leaves in sorted order, n.. are inner nodes made in
  // order of increasing weight; two queues give the next lightest.
  std::vector<uint64_t> weight(2 * n);
  std::vector<uint32_t> parent(2 * n, 0);
  for (size_t i = 0; i < n; ++i) weight[i] = freq[symbols[i]];
  size_t leaf = 0, inner = n, made = n;
  auto lightest = [&]() {
    if (leaf < n && (inner == made || weight[leaf] <= weight[inner])) return leaf++;
    return inner++;
  };
  while (made < 2 * n - 1) {
    const size_t a = lightest(), b = lightest();
    weight[made] = weight[a] + weight[b];
    parent[a] = parent[b] = static_cast<uint32_t>(made);
    ++made;
  }
  // Depths from the root down: parents always have higher numbers.
  std::vector<uint8_t> depth(2 * n - 1, 0);
  unsigned deepest = 0;
  for (size_t i = 2 * n - 1; i-- > 0;) {
    if (i == 2 * n - 2) continue;
    depth[i] = static_cast<uint8_t>(depth[parent[i]] + 1);
    if (i < n) {
      lengths[symbols[i]] = depth[i];
      deepest = std::max<unsigned>(deepest, depth[i]);
    }
  }
  return deepest;
}

}  // namespace

void huffman_lengths(const uint32_t* freq, size_t count, unsigned max_length, uint8_t* lengths) {
  std::fill(lengths, lengths + count, 0);
  std::vector<uint16_t> symbols;
  for (size_t s = 0; s < count; ++s)
    if (freq[s]) symbols.push_back(static_cast<uint16_t>(s));
  if (symbols.empty()) return;
  if (symbols.size() == 1) {
    lengths[symbols[0]] = 1;
    lengths[symbols[0] == 0 ? 1 : 0] = 1;
    return;
  }
  // Too deep a tree: flatten the frequencies and build again. Halving
  // (never to zero) ends with all weights equal, a balanced tree.
  std::vector<uint32_t> f(freq, freq + count);
  for (;;) {
    std::stable_sort(symbols.begin(), symbols.end(), [&](uint16_t a, uint16_t b) { return f[a] < f[b]; });
    if (build_depths(f.data(), symbols, lengths) <= max_length) return;
    for (uint16_t s : symbols) f[s] = (f[s] + 1) / 2;
  }
}

void huffman_codes(const uint8_t* lengths, size_t count, uint16_t* codes) {
  unsigned per_length[17] = {};
  for (size_t s = 0; s < count; ++s) ++per_length[lengths[s]];
  per_length[0] = 0;
  unsigned next[17] = {};
  unsigned code = 0;
  for (unsigned len = 1; len <= 16; ++len) {
    code = (code + per_length[len - 1]) << 1;
    next[len] = code;
  }
  for (size_t s = 0; s < count; ++s)
    if (lengths[s]) codes[s] = static_cast<uint16_t>(next[lengths[s]]++);
}

}  // namespace lh::chm
