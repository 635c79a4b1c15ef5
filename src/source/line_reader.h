// The line reader shared by the library source and the files the system
// reads back: 8-bit text, not decoded, cut at every line end.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lh {

// Cuts `bytes` into lines: CR LF, a lone LF, a lone CR and NUL each end a
// line and are not part of it. A last line without an end is kept; a text
// that ends with a line end gives no extra empty line.
std::vector<std::string> split_lines(std::string_view bytes);

}  // namespace lh
