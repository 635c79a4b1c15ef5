// Small text helpers with the source grammar's rules: "space" is byte 32
// only, comparisons "ignoring case" lower-case ASCII letters, and slices past
// the end give short or empty text rather than an error.
#pragma once

#include <string>
#include <string_view>

#include "base/ascii.h"

namespace lh {

inline std::string_view strip_leading_spaces(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return s.substr(i);
}

inline std::string_view strip_trailing_spaces(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}

inline std::string_view strip_spaces(std::string_view s) { return strip_trailing_spaces(strip_leading_spaces(s)); }

// The first n characters of s (all of s when it is shorter).
inline std::string_view left(std::string_view s, size_t n) { return s.substr(0, n < s.size() ? n : s.size()); }

// s without its first n characters (empty when it is shorter).
inline std::string_view drop(std::string_view s, size_t n) { return n < s.size() ? s.substr(n) : std::string_view(); }

inline bool starts_with_ignoring_case(std::string_view s, std::string_view lower_prefix) {
  if (s.size() < lower_prefix.size()) return false;
  for (size_t i = 0; i < lower_prefix.size(); ++i)
    if (ascii_lower(s[i]) != lower_prefix[i]) return false;
  return true;
}

}  // namespace lh
