// The warning sign is drawn and GIF-encoded here rather than kept as an
// opaque byte array, so its pixels can be read and changed in one place.
#include "help/warning_image.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace lh {
namespace {

constexpr int kWidth = 40;
constexpr int kHeight = 34;
// The manual's warning image has always been this size; a comment block
// pads the file to it.
constexpr size_t kFileSize = 1486;

enum : uint8_t { kClear = 0, kWhite = 1, kRed = 2, kBlack = 3 };

// Distance from (x, y) to the line through a and b, positive on the side
// where the triangle's inside lies (the corners run clockwise on screen).
double edge_distance(double x, double y, double ax, double ay, double bx, double by) {
  double dx = bx - ax, dy = by - ay;
  return ((x - ax) * dy - (y - ay) * dx) / std::sqrt(dx * dx + dy * dy) * -1.0;
}

std::vector<uint8_t> draw() {
  std::vector<uint8_t> pixels(kWidth * kHeight, kClear);
  const double top_x = 20.0, top_y = 0.5;
  const double left_x = 0.5, right_x = 39.5, base_y = 33.0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      double cx = x + 0.5, cy = y + 0.5;
      double d1 = edge_distance(cx, cy, top_x, top_y, right_x, base_y);
      double d2 = edge_distance(cx, cy, right_x, base_y, left_x, base_y);
      double d3 = edge_distance(cx, cy, left_x, base_y, top_x, top_y);
      double inside = std::fmin(d1, std::fmin(d2, d3));
      if (inside < 0) continue;
      uint8_t c = inside < 2.8 ? kRed : kWhite;
      // The exclamation mark: a bar narrowing downwards, then a dot.
      bool bar = cy >= 11 && cy < 24 && std::fabs(cx - 20.0) < (cy < 18 ? 2.1 : 1.6);
      bool dot = cy >= 26 && cy < 29.5 && std::fabs(cx - 20.0) < 1.8;
      if (bar || dot) c = kBlack;
      pixels[y * kWidth + x] = c;
    }
  }
  return pixels;
}

// GIF's LZW with variable code width, codes packed from the low bit up.
std::vector<uint8_t> lzw_encode(const std::vector<uint8_t>& pixels, int min_code_size) {
  const int clear = 1 << min_code_size, end = clear + 1;
  std::vector<uint8_t> out;
  uint32_t bit_buffer = 0;
  int bit_count = 0;
  int width = min_code_size + 1;
  auto put = [&](int code) {
    bit_buffer |= uint32_t(code) << bit_count;
    bit_count += width;
    while (bit_count >= 8) {
      out.push_back(uint8_t(bit_buffer & 0xFF));
      bit_buffer >>= 8;
      bit_count -= 8;
    }
  };
  // dictionary[prefix * 4 + pixel] -> code (0 for none); 4096 codes at most.
  std::vector<uint16_t> dictionary(4096 * 4, 0);
  int next = end + 1;
  put(clear);
  int prefix = pixels[0];
  for (size_t i = 1; i < pixels.size(); ++i) {
    int p = pixels[i];
    uint16_t code = dictionary[prefix * 4 + p];
    if (code) {
      prefix = code;
      continue;
    }
    put(prefix);
    if (next < 4096) {
      dictionary[prefix * 4 + p] = uint16_t(next++);
      if (next > (1 << width) && width < 12) ++width;
    } else {
      put(clear);
      std::fill(dictionary.begin(), dictionary.end(), 0);
      next = end + 1;
      width = min_code_size + 1;
    }
    prefix = p;
  }
  put(prefix);
  put(end);
  if (bit_count > 0) out.push_back(uint8_t(bit_buffer & 0xFF));
  return out;
}

void put16(std::string& s, int v) {
  s += char(v & 0xFF);
  s += char((v >> 8) & 0xFF);
}

std::string encode() {
  std::string gif = "GIF89a";
  put16(gif, kWidth);
  put16(gif, kHeight);
  gif += char(0x81);  // global colour table of 4 entries, 2 bits per pixel
  gif += char(0);     // background: the transparent entry
  gif += char(0);
  const uint8_t palette[12] = {0xFF, 0xFF, 0xDF,  // transparent (the page's colour)
                               0xFF, 0xFF, 0xFF, 0xE0, 0x10, 0x10, 0x00, 0x00, 0x00};
  gif.append(reinterpret_cast<const char*>(palette), sizeof palette);
  // Graphic control: entry 0 is transparent.
  gif += "\x21\xF9\x04\x01";
  put16(gif, 0);
  gif += '\0';
  gif += '\0';
  // Image: the whole canvas, no local colour table.
  gif += ',';
  put16(gif, 0);
  put16(gif, 0);
  put16(gif, kWidth);
  put16(gif, kHeight);
  gif += '\0';
  const int min_code_size = 2;
  gif += char(min_code_size);
  std::vector<uint8_t> data = lzw_encode(draw(), min_code_size);
  for (size_t i = 0; i < data.size(); i += 255) {
    size_t n = std::min<size_t>(255, data.size() - i);
    gif += char(n);
    gif.append(reinterpret_cast<const char*>(data.data() + i), n);
  }
  gif += '\0';
  // Comment extension filling the file up to its customary size: sub-blocks
  // of at most 255 bytes, a terminator, then the trailer.
  const std::string text = "LibHammer warning sign";
  size_t room = gif.size() + 2 /* introducer */ + 1 /* terminator */ + 1 /* trailer */;
  if (room + 1 + text.size() <= kFileSize) {
    size_t payload_and_sizes = kFileSize - room;
    gif += "\x21\xFE";
    std::string payload = text;
    // Each sub-block costs its size byte: spread the bytes over as few
    // sub-blocks (of at most 255 bytes) as the room allows.
    size_t blocks = (payload_and_sizes + 255) / 256;
    size_t bytes = payload_and_sizes - blocks;
    payload.resize(bytes, ' ');
    size_t at = 0;
    for (size_t b = 0; b < blocks; ++b) {
      size_t n = (bytes - at) / (blocks - b);
      gif += char(n);
      gif.append(payload, at, n);
      at += n;
    }
    gif += '\0';
  }
  gif += ';';
  return gif;
}

}  // namespace

const std::string& warning_image() {
  static const std::string image = encode();
  return image;
}

}  // namespace lh
