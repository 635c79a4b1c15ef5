#include "chm/lzx.h"

#include <algorithm>
#include <cstring>

#include "chm/lzx_bit_writer.h"

namespace lh::chm {
namespace {

constexpr unsigned kBlockVerbatim = 1;
constexpr unsigned kBlockAligned = 2;
constexpr unsigned kBlockUncompressed = 3;

// A block covers whole frames and never runs past a reset point; this many
// frames at most, so that the pending input stays small.
constexpr unsigned kMaxBlockFrames = 2;

// Bytes readable past the end of the data, so that match comparisons and
// hashing need no bounds checks at the edge.
constexpr size_t kSlack = 16;

}  // namespace

struct LzxCompressor::State {
  State(unsigned window_bits_in, unsigned reset_interval_in)
      : window_bits(std::clamp(window_bits_in, 15u, 21u)),
        window_size(uint32_t{1} << window_bits),
        reset_interval(std::max(reset_interval_in, 1u)),
        // History of one window, up to another window before it slides,
        // and the block being gathered.
        buf(2 * size_t{window_size} + kMaxBlockFrames * kLzxFrameSize + kSlack, 0),
        bits(out.bytes) {}

  unsigned window_bits;
  uint32_t window_size;
  unsigned reset_interval;
  std::vector<uint8_t> buf;
  size_t block_start = 0;  // first byte in buf not yet compressed
  size_t data_end = 0;     // end of the input held in buf
  size_t reset_start = 0;  // where the current reset interval began in buf
  uint64_t frames_done = 0;
  uint32_t repeats[3] = {1, 1, 1};  // R0, R1, R2
  LzxStream out;
  LzxBitWriter bits;

  // Frames of the block being gathered: whole frames up to the cap or the
  // next reset point.
  unsigned block_frames() const {
    const auto to_reset = reset_interval - static_cast<unsigned>(frames_done % reset_interval);
    return std::min(kMaxBlockFrames, to_reset);
  }

  // Keeps one window of history before the block and drops what is older.
  void slide() {
    if (block_start < 2 * size_t{window_size}) return;
    const size_t shift = (block_start / window_size - 1) * window_size;
    std::memmove(buf.data(), buf.data() + shift, data_end - shift);
    block_start -= shift;
    data_end -= shift;
    reset_start = reset_start > shift ? reset_start - shift : 0;
  }

  void write(const uint8_t* data, size_t size) {
    while (size > 0) {
      const size_t block_end = block_start + size_t{block_frames()} * kLzxFrameSize;
      const size_t take = std::min(size, block_end - data_end);
      std::memcpy(buf.data() + data_end, data, take);
      data_end += take;
      data += take;
      size -= take;
      out.uncompressed_size += take;
      if (data_end == block_end) compress_block(block_frames());
    }
  }

  void finish() {
    if (data_end == block_start) return;
    // Readers decode whole frames, so the last one is filled up with zeros.
    const size_t frame_bytes = (data_end - block_start + kLzxFrameSize - 1) / kLzxFrameSize * kLzxFrameSize;
    std::memset(buf.data() + data_end, 0, block_start + frame_bytes - data_end);
    data_end = block_start + frame_bytes;
    compress_block(static_cast<unsigned>(frame_bytes / kLzxFrameSize));
  }

  void start_reset_interval() {
    reset_start = block_start;
    repeats[0] = repeats[1] = repeats[2] = 1;
    bits.put(0, 1);  // no E8 call translation
  }

  void put_block_header(unsigned type, uint32_t length) {
    bits.put(type, 3);
    bits.put(length >> 8, 16);
    bits.put(length & 0xff, 8);
  }

  void compress_block(unsigned frames) {
    out.frame_offsets.push_back(out.bytes.size());
    if (frames_done % reset_interval == 0) start_reset_interval();
    emit_uncompressed(frames);
    frames_done += frames;
    block_start += size_t{frames} * kLzxFrameSize;
    slide();
  }

  // The frames stored as they are: for data that does not compress.
  void emit_uncompressed(unsigned frames) {
    put_block_header(kBlockUncompressed, frames * kLzxFrameSize);
    bits.put(0, 16 - bits.pending_bits());  // 1 to 16 bits up to the next word
    uint8_t r[12];
    for (int i = 0; i < 3; ++i)
      for (int b = 0; b < 4; ++b) r[4 * i + b] = static_cast<uint8_t>(repeats[i] >> (8 * b));
    bits.put_bytes(r, sizeof r);
    for (unsigned f = 0; f < frames; ++f) {
      if (f > 0) out.frame_offsets.push_back(out.bytes.size());
      bits.put_bytes(buf.data() + block_start + size_t{f} * kLzxFrameSize, kLzxFrameSize);
    }
  }
};

LzxCompressor::LzxCompressor(unsigned window_bits, unsigned reset_interval_frames)
    : state_(std::make_unique<State>(window_bits, reset_interval_frames)) {}

LzxCompressor::~LzxCompressor() = default;

void LzxCompressor::write(std::string_view bytes) {
  state_->write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

LzxStream LzxCompressor::finish() {
  state_->finish();
  return std::move(state_->out);
}

LzxStream lzx_compress(std::string_view input, unsigned window_bits, unsigned reset_interval_frames) {
  LzxCompressor compressor(window_bits, reset_interval_frames);
  compressor.write(input);
  return compressor.finish();
}

}  // namespace lh::chm
