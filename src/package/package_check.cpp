#include "package/package_check.h"

namespace lh::package_check {

namespace {

struct CrcTable {
  uint32_t entry[256];
  constexpr CrcTable() : entry() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      entry[i] = c;
    }
  }
};
constexpr CrcTable kCrc;

const char kHex[] = "0123456789ABCDEF";

int length_of(const char* s) {
  int n = 0;
  while (s[n]) ++n;
  return n;
}

bool same(const char* a, int a_size, const char* b) {
  int n = length_of(b);
  if (n != a_size) return false;
  for (int i = 0; i < n; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

// Text appended to a fixed buffer; what does not fit is cut off.
struct Out {
  char* s;
  int size;
  int used;
  void add(const char* part) {
    while (*part && used < size - 1) s[used++] = *part++;
    if (size > 0) s[used] = 0;
  }
  void add_number(uint32_t v) {
    char digits[11];
    int n = 0;
    do {
      digits[n++] = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v);
    char text[11];
    for (int i = 0; i < n; ++i) text[i] = digits[n - 1 - i];
    text[n] = 0;
    add(text);
  }
};

// One line of the seal, taken apart. False when it is not of the form.
struct Line {
  int resource;  // index into kPackageResourceNames
  uint32_t size;
  uint32_t crc;
};

bool parse_line(const char* at, int length, Line& line) {
  int space = 0;
  while (space < length && at[space] != ' ') ++space;
  line.resource = -1;
  for (int i = 0; i < kPackageResourceCount; ++i)
    if (same(at, space, kPackageResourceNames[i])) line.resource = i;
  if (line.resource < 0) return false;
  int i = space + 1;
  int digits = 0;
  uint64_t size = 0;
  while (i < length && at[i] >= '0' && at[i] <= '9' && digits < 10) {
    size = size * 10 + static_cast<uint64_t>(at[i] - '0');
    ++i;
    ++digits;
  }
  if (digits == 0 || size > 0xFFFFFFFFu || i >= length || at[i] != ' ') return false;
  line.size = static_cast<uint32_t>(size);
  ++i;
  if (length - i != 8) return false;
  line.crc = 0;
  for (; i < length; ++i) {
    char c = at[i];
    uint32_t v;
    if (c >= '0' && c <= '9')
      v = static_cast<uint32_t>(c - '0');
    else if (c >= 'A' && c <= 'F')
      v = static_cast<uint32_t>(c - 'A' + 10);
    else
      return false;
    line.crc = line.crc << 4 | v;
  }
  return true;
}

uint32_t get16(const unsigned char* p) { return static_cast<uint32_t>(p[0] | p[1] << 8); }
uint32_t get32(const unsigned char* p) { return get16(p) | get16(p + 2) << 16; }

}  // namespace

uint32_t crc32(const void* data, size_t size, uint32_t crc) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = kCrc.entry[(crc ^ p[i]) & 0xff] ^ (crc >> 8);
  return ~crc;
}

int format_sum_line(char* out, const char* name, const void* data, uint32_t size) {
  return format_sum_line_crc(out, name, size, crc32(data, size));
}

int format_sum_line_crc(char* out, const char* name, uint32_t size, uint32_t crc) {
  Out o{out, 40, 0};
  o.add(name);
  o.add(" ");
  o.add_number(size);
  o.add(" ");
  char hex[9];
  for (int i = 0; i < 8; ++i) hex[i] = kHex[(crc >> (28 - 4 * i)) & 15];
  hex[8] = 0;
  o.add(hex);
  o.add("\r\n");
  return o.used;
}

bool check_package(const char* sums, uint32_t sums_size, FindResource find, void* context, char* problem,
                   int problem_size) {
  Out o{problem, problem_size, 0};
  o.add("");
  bool listed[kPackageResourceCount] = {};
  Line lines[kPackageResourceCount];
  uint32_t at = 0;
  while (at < sums_size) {
    uint32_t end = at;
    while (end < sums_size && sums[end] != '\r') ++end;
    Line line;
    bool ok = end + 1 < sums_size && sums[end + 1] == '\n' && parse_line(sums + at, static_cast<int>(end - at), line) &&
              !listed[line.resource];
    if (!ok) {
      o.add("The list of checksums is unreadable.\r\n");
      return false;
    }
    listed[line.resource] = true;
    lines[line.resource] = line;
    at = end + 2;
  }

  bool whole = true;
  for (int i = 0; i < kPackageResourceCount; ++i) {
    const unsigned char* data = nullptr;
    uint32_t size = 0;
    bool present = find(context, kPackageResourceNames[i], &data, &size);
    const char* name = kPackageResourceNames[i];
    if (!listed[i] && !present) continue;
    if (listed[i] && present && size == lines[i].size && crc32(data, size) == lines[i].crc) continue;
    whole = false;
    o.add(name);
    if (!present) {
      o.add(": missing");
    } else if (!listed[i]) {
      o.add(": not covered by the checksums");
    } else if (size != lines[i].size) {
      o.add(": ");
      o.add_number(size);
      o.add(" bytes instead of ");
      o.add_number(lines[i].size);
    } else {
      o.add(": its bytes have changed");
    }
    o.add("\r\n");
  }
  return whole;
}

bool span_in_image(const unsigned char* image, size_t image_size, const unsigned char* data, uint32_t size) {
  if (!image || !data || image_size < 0x40) return false;
  uint64_t pe = get32(image + 0x3c);
  if (pe + 24 > image_size) return false;
  const unsigned char* coff = image + pe + 4;
  if (get32(image + pe) != 0x4550) return false;  // "PE\0\0"
  uint64_t sections = get16(coff + 2);
  uint64_t table = pe + 24 + get16(coff + 16);
  if (table + sections * 40 > image_size) return false;
  uintptr_t base = reinterpret_cast<uintptr_t>(image), p = reinterpret_cast<uintptr_t>(data);
  if (p < base || p - base > image_size || image_size - (p - base) < size) return false;
  uint64_t off = p - base;
  for (uint64_t i = 0; i < sections; ++i) {
    const unsigned char* s = image + table + i * 40;
    uint64_t start = get32(s + 12);
    uint64_t span = get32(s + 8) ? get32(s + 8) : get32(s + 16);
    if (off >= start && off - start <= span && span - (off - start) >= size) return true;
  }
  return false;
}

}  // namespace lh::package_check
