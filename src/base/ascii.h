// ASCII letter case: only 'A'-'Z' and 'a'-'z' change, every other byte (or
// code unit) stays, whatever the locale. File names, keywords, markers and
// resource names are all compared this way.
#pragma once

#include <string>
#include <string_view>

namespace lh {

// One character or code unit (char, char16_t...).
template <typename C>
constexpr C ascii_lower(C c) {
  return (c >= C('A') && c <= C('Z')) ? C(c - C('A') + C('a')) : c;
}

template <typename C>
constexpr C ascii_upper(C c) {
  return (c >= C('a') && c <= C('z')) ? C(c - C('a') + C('A')) : c;
}

inline std::string to_lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = ascii_lower(c);
  return out;
}

inline std::string to_upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = ascii_upper(c);
  return out;
}

inline bool equals_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  return true;
}

}  // namespace lh
