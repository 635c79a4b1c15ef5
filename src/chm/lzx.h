// LZX compression as compiled help files carry it: the input is cut into
// 32 KB frames, the bit stream is aligned to 16 bits after each frame, and
// the whole coder state (window, repeated offsets, code lengths) starts
// afresh every `reset_interval_frames` frames, so that a reader can start
// decoding at any reset point it finds in the reset table.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lh::chm {

inline constexpr uint32_t kLzxFrameSize = 0x8000;

struct LzxStream {
  std::string bytes;  // the compressed stream
  // Compressed offset at which each 32 KB frame of the input starts: one
  // entry per frame (a short last frame included), the first one 0. Each
  // is even. Empty input has no frames and no bytes.
  //
  // The last frame is coded filled up to 32 KB with zero bytes: chmlib
  // asks every frame, the last one too, for a whole 32 KB, and fails on
  // less. Readers that go by uncompressed_size stop before the filling.
  std::vector<uint64_t> frame_offsets;
  uint64_t uncompressed_size = 0;
  // Bytes of the whole stream: those of `bytes`, and those handed to an
  // output (LzxCompressor::set_output) on the way.
  uint64_t compressed_size = 0;
};

// Compresses input that arrives in pieces (the files of a manual, one after
// another) without gathering it into one copy: it keeps a window of it,
// the two frames of the block being coded, and up to 512 KB (or one more
// window, when larger) that passes before its buffer slides back: under
// 2 MB in all with a 64 KB window (the compressed stream aside), whatever
// the input's size.
class LzxCompressor {
 public:
  // window_bits: 15 to 21 (others are taken as the nearest); manuals use
  // 16 (a 64 KB window). reset_interval_frames: at least 1 (0 is taken as
  // 1).
  LzxCompressor(unsigned window_bits, unsigned reset_interval_frames);
  ~LzxCompressor();
  LzxCompressor(const LzxCompressor&) = delete;
  LzxCompressor& operator=(const LzxCompressor&) = delete;

  // Hands the compressed stream to `output` as it grows, in pieces of a
  // few hundred KB, rather than gathering it: `bytes` of finish()'s result
  // is then empty. Set before the first write.
  void set_output(std::function<void(std::string_view)> output);

  void write(std::string_view bytes);
  // Compresses what is left and hands the stream over; the compressor is
  // spent afterwards.
  LzxStream finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The same for input held in one piece.
LzxStream lzx_compress(std::string_view input, unsigned window_bits, unsigned reset_interval_frames);

}  // namespace lh::chm
