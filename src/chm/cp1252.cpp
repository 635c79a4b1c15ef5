#include "chm/cp1252.h"

#include <cstdint>

namespace lh::chm {
namespace {

// 0x80..0x9F; the five bytes the code page leaves undefined map to the C1
// control of the same value, as Windows' own conversion does.
constexpr uint16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// True for well-formed UTF-8 with at least one byte above ASCII; overlong
// forms and surrogates are not UTF-8.
bool is_utf8_beyond_ascii(std::string_view s) {
  bool beyond = false;
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    beyond = true;
    const size_t n = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    uint32_t u = c & (0xFF >> (n + 1));
    for (size_t k = 1; k < n; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      u = (u << 6) | (t & 0x3F);
    }
    if ((n == 3 && (u < 0x800 || (u >= 0xD800 && u <= 0xDFFF))) || (n == 4 && (u < 0x10000 || u > 0x10FFFF)))
      return false;
    i += n;
  }
  return beyond;
}

}  // namespace

std::string directory_name(std::string_view name) {
  return is_utf8_beyond_ascii(name) ? std::string(name) : cp1252_to_utf8(name);
}

std::string cp1252_to_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    const uint32_t u = c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c;
    if (u < 0x80) {
      out.push_back(static_cast<char>(u));
    } else if (u < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (u >> 6)));
      out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (u >> 12)));
      out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
  }
  return out;
}

}  // namespace lh::chm
