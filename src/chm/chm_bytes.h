// Little-endian fields, the format's big-endian variable-length integers
// (ENCINT) and GUIDs, appended to a byte string.
#pragma once

#include <cstdint>
#include <string>

namespace lh::chm {

inline void put_u16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

inline void put_u32(std::string& out, uint32_t v) {
  put_u16(out, v & 0xFFFF);
  put_u16(out, v >> 16);
}

inline void put_u64(std::string& out, uint64_t v) {
  put_u32(out, static_cast<uint32_t>(v));
  put_u32(out, static_cast<uint32_t>(v >> 32));
}

inline void set_u16(std::string& out, size_t at, uint32_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

inline void set_u32(std::string& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Seven bits a byte, most significant group first, the high bit set on
// every byte but the last.
inline void put_encint(std::string& out, uint64_t v) {
  char groups[10];
  int n = 0;
  do {
    groups[n++] = static_cast<char>(v & 0x7F);
    v >>= 7;
  } while (v != 0);
  while (n > 1) out.push_back(static_cast<char>(groups[--n] | 0x80));
  out.push_back(groups[0]);
}

inline size_t encint_size(uint64_t v) {
  size_t n = 1;
  while (v >>= 7) ++n;
  return n;
}

struct Guid {
  uint32_t data1;
  uint16_t data2, data3;
  uint8_t data4[8];
};

inline void put_guid(std::string& out, const Guid& g) {
  put_u32(out, g.data1);
  put_u16(out, g.data2);
  put_u16(out, g.data3);
  out.append(reinterpret_cast<const char*>(g.data4), 8);
}

}  // namespace lh::chm
