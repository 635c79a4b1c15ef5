// The LZX compressor read back by chmlib's decoder, frame by frame from the
// frame offsets, the way chmlib's CHM reader does it: a reset at every reset
// interval, and always a whole frame asked for, the last one included.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "chm/lzx.h"

// chmlib's decoder (libchm), not declared in its public header.
extern "C" {
struct LZXstate;
LZXstate* LZXinit(int window);
void LZXteardown(LZXstate* state);
int LZXreset(LZXstate* state);
int LZXdecompress(LZXstate* state, unsigned char* in, unsigned char* out, int inlen, int outlen);
}

namespace {

using lh::chm::kLzxFrameSize;
using lh::chm::LzxStream;

// The decoded input, or a message saying which frame failed.
std::string decode(const LzxStream& s, unsigned window_bits, unsigned reset_interval, std::string& error) {
  const size_t frames = (s.uncompressed_size + kLzxFrameSize - 1) / kLzxFrameSize;
  if (s.frame_offsets.size() != frames) {
    error = "frame offsets: " + std::to_string(s.frame_offsets.size()) + " for " + std::to_string(frames) + " frames";
    return {};
  }
  LZXstate* state = LZXinit(static_cast<int>(window_bits));
  std::string result;
  std::vector<unsigned char> out(kLzxFrameSize);
  for (size_t i = 0; i < frames && error.empty(); ++i) {
    const uint64_t begin = s.frame_offsets[i];
    const uint64_t end = i + 1 < frames ? s.frame_offsets[i + 1] : s.bytes.size();
    if (begin > end || end > s.bytes.size() || begin % 2) {
      error = "bad offset of frame " + std::to_string(i);
      break;
    }
    // The decoder may read a few bytes ahead of what it uses.
    std::vector<unsigned char> in(s.bytes.begin() + begin, s.bytes.begin() + end);
    in.resize(in.size() + 64, 0);
    if (i % reset_interval == 0) LZXreset(state);
    const int rc = LZXdecompress(state, in.data(), out.data(), static_cast<int>(end - begin), kLzxFrameSize);
    if (rc != 0) error = "frame " + std::to_string(i) + ": decoder error " + std::to_string(rc);
    result.append(out.begin(), out.end());
  }
  LZXteardown(state);
  if (result.size() > s.uncompressed_size) result.resize(s.uncompressed_size);
  return result;
}

void expect_round_trip(const std::string& input, unsigned window_bits, unsigned reset_interval) {
  const LzxStream s = lh::chm::lzx_compress(input, window_bits, reset_interval);
  EXPECT_EQ(s.uncompressed_size, input.size());
  std::string error;
  const std::string back = decode(s, window_bits, reset_interval, error);
  ASSERT_EQ(error, "");
  ASSERT_EQ(back.size(), input.size());
  // Not EXPECT_EQ on the strings: a first differing offset says more.
  const auto diff = std::mismatch(back.begin(), back.end(), input.begin());
  EXPECT_TRUE(diff.first == back.end()) << "first difference at " << (diff.first - back.begin()) << " of "
                                        << input.size();
}

std::string random_bytes(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(rng());
  return s;
}

// Pages shaped like a generated manual: one template, names and words that
// vary, some numbers.
std::string html_pages(size_t min_size, unsigned seed) {
  static const char* const words[] = {"the", "string", "value",   "returns", "handle",  "window", "list",
                                      "of",  "Result", "integer", "pointer", "#PB_Any", "flags",  "buffer"};
  std::mt19937 rng(seed);
  std::string s;
  for (int page = 0; s.size() < min_size; ++page) {
    const std::string name = "Proc" + std::to_string(rng() % 100000) + "_" + words[rng() % 14];
    s += "<html><head><title>" + name + "</title>\n<link rel=\"stylesheet\" href=\"styles.css\"></head>\n<body>\n";
    s += "<h1>" + name + "</h1>\n<p><b>Syntax</b></p>\n<pre><span class=\"kw\">Result</span> = " + name + "(";
    for (int a = rng() % 4; a > 0; --a) s += std::string(words[rng() % 14]) + (a > 1 ? ", " : "");
    s += ")</pre>\n<p><b>Description</b></p>\n<p>";
    for (int w = 20 + rng() % 80; w > 0; --w) s += std::string(words[rng() % 14]) + (rng() % 9 ? " " : ". ");
    s += "</p>\n<a href=\"Proc" + std::to_string(rng() % 100000) + ".html\">See also</a>\n</body></html>\n";
  }
  return s;
}

TEST(LzxRoundTrip, SizesAroundFramesAndResets) {
  const std::string html = html_pages(7 * kLzxFrameSize, 1);
  for (size_t n : {size_t{0}, size_t{1}, size_t{2}, size_t{100}, size_t{kLzxFrameSize - 1}, size_t{kLzxFrameSize},
                   size_t{kLzxFrameSize + 1}, 2 * size_t{kLzxFrameSize}, 5 * size_t{kLzxFrameSize} + 7}) {
    SCOPED_TRACE(n);
    expect_round_trip(html.substr(0, n), 16, 2);
  }
}

TEST(LzxRoundTrip, WindowSizesAndResetIntervals) {
  // Past 1 MB: the compressor's buffer slides back a few times.
  const std::string html = html_pages(40 * kLzxFrameSize, 2);
  for (unsigned window : {15u, 16u, 17u, 21u}) {
    for (unsigned reset : {1u, 2u, 5u, 100u}) {
      SCOPED_TRACE(std::to_string(window) + " " + std::to_string(reset));
      expect_round_trip(html, window, reset);
    }
  }
}

TEST(LzxRoundTrip, RunsRandomDataAndMixtures) {
  expect_round_trip(std::string(300000, 'a'), 16, 2);
  expect_round_trip(std::string(300000, '\0'), 16, 4);
  expect_round_trip(random_bytes(200000, 3), 16, 2);
  // Random stretches between pages: blocks switch between stored and coded.
  std::string mix;
  for (unsigned i = 0; i < 6; ++i) mix += html_pages(40000, i) + random_bytes(30000 + i * 999, i);
  expect_round_trip(mix, 16, 2);
  expect_round_trip(mix, 17, 1000);
}

// Text is coded with matches; data that does not compress is stored, at a
// cost of a few bytes per block, not coded into something larger.
// A stored block hands the repeated offsets on in its header. Data made to
// hold no matches but at chosen distances: the offsets are 777, 600 and 500
// when the noise comes, it is stored, and the text after it repeats at the
// distance of R0.
TEST(LzxRoundTrip, RepeatedOffsetsPassThroughStoredBlocks) {
  std::mt19937 rng(10);
  std::vector<bool> seen(1 << 24);  // three-byte strings already present
  std::string s = "ab";
  auto push = [&](char c) {
    s += c;
    const size_t n = s.size();
    seen[(uint8_t(s[n - 3]) << 16) | (uint8_t(s[n - 2]) << 8) | uint8_t(c)] = true;
  };
  auto fresh = [&](size_t count) {
    while (count > 0) {
      const char c = static_cast<char>(rng());
      const size_t n = s.size();
      bool ok = !seen[(uint8_t(s[n - 2]) << 16) | (uint8_t(s[n - 1]) << 8) | uint8_t(c)];
      for (size_t d : {size_t{1}, size_t{500}, size_t{600}, size_t{777}})
        if (n >= d + 1 && s[n - 1] == s[n - 1 - d] && c == s[n - d]) ok = false;
      if (ok) {
        push(c);
        --count;
      }
    }
  };
  auto repeat = [&](size_t distance, size_t count) {
    for (size_t i = 0; i < count; ++i) push(s[s.size() - distance]);
  };
  for (size_t d : {500, 600, 777}) {
    fresh(d);
    repeat(d, 3000);
  }
  fresh(7 * kLzxFrameSize);
  repeat(777, 3000);
  expect_round_trip(s, 16, 1000);
}

TEST(LzxCompressor, CompressesTextAndStoresNoise) {
  const std::string html = html_pages(20 * kLzxFrameSize, 9);
  EXPECT_LT(lh::chm::lzx_compress(html, 16, 2).bytes.size(), html.size() / 5);
  const std::string noise = random_bytes(20 * kLzxFrameSize, 9);
  EXPECT_LE(lh::chm::lzx_compress(noise, 16, 2).bytes.size(), noise.size() + 20 * 16);
}

TEST(LzxCompressor, PiecesGiveTheSameBytesAsOneWhole) {
  const std::string input = html_pages(4 * kLzxFrameSize + 12345, 4) + random_bytes(50000, 5);
  const LzxStream whole = lh::chm::lzx_compress(input, 16, 2);
  lh::chm::LzxCompressor pieces(16, 2);
  std::mt19937 rng(6);
  for (size_t at = 0; at < input.size();) {
    const size_t n = std::min<size_t>(input.size() - at, rng() % 5000);
    pieces.write(std::string_view(input).substr(at, n));
    at += n;
  }
  const LzxStream split = pieces.finish();
  EXPECT_EQ(split.bytes, whole.bytes);
  EXPECT_EQ(split.frame_offsets, whole.frame_offsets);
  EXPECT_EQ(split.uncompressed_size, whole.uncompressed_size);
  EXPECT_EQ(lh::chm::lzx_compress(input, 16, 2).bytes, whole.bytes);
}

}  // namespace
