// Canonical Huffman codes for LZX trees: code lengths limited to what the
// format can carry, and the codes in the order readers assign them (shorter
// codes first, symbols in increasing order within a length).
#pragma once

#include <cstddef>
#include <cstdint>

namespace lh::chm {

// Code lengths for `count` symbols with the given frequencies, none longer
// than max_length. Symbols of frequency 0 get length 0. The code is always
// complete, as readers demand: a lone symbol is given a partner of length 1;
// no symbol at all gives all lengths 0.
void huffman_lengths(const uint32_t* freq, size_t count, unsigned max_length, uint8_t* lengths);

// The canonical code of each symbol, to be written first bit first.
void huffman_codes(const uint8_t* lengths, size_t count, uint16_t* codes);

}  // namespace lh::chm
