#include "chm/lzx.h"

#include <algorithm>
#include <cstring>

#include "chm/lzx_bit_writer.h"
#include "chm/lzx_huffman.h"
#include "chm/lzx_match_finder.h"

namespace lh::chm {
namespace {

constexpr unsigned kBlockVerbatim = 1;
constexpr unsigned kBlockAligned = 2;
constexpr unsigned kBlockUncompressed = 3;

// A block covers whole frames and never runs past a reset point; this many
// frames at most, so that the pending input stays small.
constexpr unsigned kMaxBlockFrames = 2;

// Input that passes before the buffer slides back: a whole number of
// windows, at least this much, so that sliding (and renumbering the hash
// chains) is rare.
constexpr size_t kMinSlide = size_t{1} << 19;

// Bytes readable past the end of the data, so that match comparisons and
// hashing need no bounds checks at the edge.
constexpr size_t kSlack = 16;

// Compressed bytes gathered before they go to an output that was set.
constexpr size_t kOutputPiece = size_t{1} << 18;

constexpr unsigned kMinMatch = 2;
constexpr unsigned kMaxMatch = 257;
constexpr unsigned kPrimaryLengths = 7;  // match lengths told in the main symbol
constexpr unsigned kLengthSymbols = 249;
constexpr unsigned kMaxSlots = 50;
constexpr unsigned kMainSymbols = 256 + 8 * kMaxSlots;
constexpr unsigned kPretreeSymbols = 20;
constexpr unsigned kAlignedSymbols = 8;

// Match finding effort: chain links followed per position (the search ends
// early only at the longest match the frame allows), and a length past
// which the next position is not tried. After every 64 positions searched
// in vain one more is passed over, up to 32: noise costs little time, text
// loses nothing.
constexpr unsigned kChainDepth = 48;
constexpr unsigned kLazyLength = 64;
constexpr unsigned kSkipAfterMissesShift = 6;
constexpr unsigned kMaxSkip = 32;

// Costs in bits that weigh one match against another or literals: the
// code lengths of the last block coded (whatever resets came between), and
// before any block these guesses. A symbol the last block did not use is
// taken as rare.
constexpr uint8_t kFirstLiteralBits = 6;
constexpr uint8_t kFirstMatchSymbolBits = 9;
constexpr uint8_t kFirstRepeatSymbolBits = 7;
constexpr uint8_t kFirstLengthBits = 5;
constexpr uint8_t kUnusedSymbolBits = 14;

// Position slots: slot s covers "formatted offsets" (distance + 2) from
// base[s] on, with extra[s] bits that tell which one; slots 0 to 2 stand for
// the repeated offsets R0 to R2.
struct Slots {
  uint8_t extra[kMaxSlots];
  uint32_t base[kMaxSlots];
  constexpr Slots() : extra(), base() {
    uint32_t b = 0;
    for (unsigned s = 0; s < kMaxSlots; ++s) {
      extra[s] = static_cast<uint8_t>(s < 4 ? 0 : s < 36 ? s / 2 - 1 : 17);
      base[s] = b;
      b += uint32_t{1} << extra[s];
    }
  }
};
constexpr Slots kSlots;

unsigned slot_count(unsigned window_bits) { return window_bits == 21 ? 50 : window_bits == 20 ? 42 : 2 * window_bits; }

unsigned slot_of(uint32_t formatted) {
  if (formatted < 4) return formatted;
  if (formatted >= (1u << 18)) return 36 + ((formatted - (1u << 18)) >> 17);
  const unsigned b = 31 - static_cast<unsigned>(__builtin_clz(formatted));
  return 2 * b + ((formatted >> (b - 1)) & 1);
}

// One literal or match of a block, ready to be written.
struct Item {
  uint16_t main;          // main tree symbol
  uint8_t length_footer;  // length tree symbol, when main says so
  uint8_t extra;          // number of offset footer bits
  uint32_t footer;        // offset footer
};

// A match under consideration: how long, how far (or which repeated
// offset), and what it saves against literals.
struct Choice {
  uint32_t length = 0;
  uint32_t distance = 0;
  int repeat = -1;  // 0 to 2: one of R0 to R2
  int gain = 0;
};

// Code lengths as a block header carries them: each as a change from the
// previous block's, coded with a pretree of 20 symbols sent first.
struct PretreeToken {
  uint8_t symbol;
  uint8_t extra_bits;
  uint8_t extra;
};

void length_tokens(const uint8_t* cur, const uint8_t* prev, unsigned first, unsigned last,
                   std::vector<PretreeToken>& out) {
  out.clear();
  auto delta = [&](unsigned x) { return static_cast<uint8_t>((prev[x] + 17 - cur[x]) % 17); };
  for (unsigned x = first; x < last;) {
    unsigned run = 1;
    if (cur[x] == 0) {
      while (x + run < last && cur[x + run] == 0) ++run;
      if (run >= 4) {
        while (run >= 20) {
          const unsigned n = std::min(run, 51u);
          out.push_back({18, 5, static_cast<uint8_t>(n - 20)});
          x += n;
          run -= n;
        }
        if (run >= 4) {
          out.push_back({17, 4, static_cast<uint8_t>(run - 4)});
          x += run;
          run = 0;
        }
        for (; run > 0; --run, ++x) out.push_back({delta(x), 0, 0});
        continue;
      }
      out.push_back({delta(x), 0, 0});
      ++x;
      continue;
    }
    // Runs of one new length over one old length: read alike by every
    // reader, whichever old length it takes the change from.
    while (x + run < last && run < 5 && cur[x + run] == cur[x] && prev[x + run] == prev[x]) ++run;
    if (run >= 4) {
      out.push_back({19, 1, static_cast<uint8_t>(run - 4)});
      out.push_back({delta(x), 0, 0});
      x += run;
    } else {
      out.push_back({delta(x), 0, 0});
      ++x;
    }
  }
}

}  // namespace

struct LzxCompressor::State {
  State(unsigned window_bits_in, unsigned reset_interval_in)
      : window_bits(std::clamp(window_bits_in, 15u, 21u)),
        window_size(uint32_t{1} << window_bits),
        reset_interval(std::max(reset_interval_in, 1u)),
        slide_span(std::max<size_t>(window_size, kMinSlide)),
        // History of one window, the input that passes before the buffer
        // slides back, and the block being gathered.
        buf(size_t{window_size} + slide_span + kMaxBlockFrames * kLzxFrameSize + kSlack, 0),
        bits(out.bytes) {
    first_costs();
  }

  unsigned window_bits;
  uint32_t window_size;
  unsigned reset_interval;
  size_t slide_span;
  std::vector<uint8_t> buf;
  size_t block_start = 0;  // first byte in buf not yet compressed
  size_t data_end = 0;     // end of the input held in buf
  size_t reset_start = 0;  // where the current reset interval began in buf
  uint64_t frames_done = 0;
  uint32_t repeats[3] = {1, 1, 1};  // R0, R1, R2
  LzxStream out;
  LzxBitWriter bits;
  std::function<void(std::string_view)> output;
  uint64_t handed_out = 0;  // compressed bytes already given to `output`

  unsigned main_symbols = 256 + 8 * slot_count(window_bits);
  LzxMatchFinder finder{window_size};
  size_t inserted = 0;  // positions of buf below this are in the finder
  // The block being coded.
  std::vector<Item> items;
  std::vector<size_t> frame_ends;  // items of each frame end here
  uint32_t main_freq[kMainSymbols];
  uint32_t length_freq[kLengthSymbols];
  uint32_t aligned_freq[kAlignedSymbols];
  uint64_t footer_bits = 0;      // offset footers written as they are
  uint64_t aligned_footers = 0;  // footers of 3 bits or more
  // Code lengths of the last coded block (0 after a reset), which the next
  // block's lengths are told against.
  uint8_t prev_main_len[kMainSymbols] = {};
  uint8_t prev_length_len[kLengthSymbols] = {};
  std::vector<PretreeToken> tokens;
  uint8_t main_cost[kMainSymbols];
  uint8_t length_cost[kLengthSymbols];
  // Cost of the literals of the frame being parsed, summed from its start.
  std::vector<uint32_t> literal_costs = std::vector<uint32_t>(kLzxFrameSize + 1);
  size_t frame_start = 0;

  void first_costs() {
    std::fill(main_cost, main_cost + 256, kFirstLiteralBits);
    std::fill(main_cost + 256, main_cost + 256 + 3 * 8, kFirstRepeatSymbolBits);
    std::fill(main_cost + 256 + 3 * 8, main_cost + kMainSymbols, kFirstMatchSymbolBits);
    std::fill(std::begin(length_cost), std::end(length_cost), kFirstLengthBits);
  }

  void learn_costs(const uint8_t* main_len, const uint8_t* length_len) {
    for (unsigned s = 0; s < main_symbols; ++s) main_cost[s] = main_len[s] ? main_len[s] : kUnusedSymbolBits;
    for (unsigned s = 0; s < kLengthSymbols; ++s) length_cost[s] = length_len[s] ? length_len[s] : kUnusedSymbolBits;
  }

  // Bits of a match's main symbol and length, the offset's footer aside.
  int match_cost(unsigned slot, uint32_t length) const {
    const uint32_t header = std::min<uint32_t>(length - kMinMatch, kPrimaryLengths);
    int cost = main_cost[256 + slot * 8 + header];
    if (header == kPrimaryLengths) cost += length_cost[length - kMinMatch - kPrimaryLengths];
    return cost;
  }

  int literal_cost(size_t pos, uint32_t length) const {
    return static_cast<int>(literal_costs[pos + length - frame_start] - literal_costs[pos - frame_start]);
  }

  // Frames of the block being gathered: whole frames up to the cap or the
  // next reset point.
  unsigned block_frames() const {
    const auto to_reset = reset_interval - static_cast<unsigned>(frames_done % reset_interval);
    return std::min(kMaxBlockFrames, to_reset);
  }

  // Keeps one window of history before the block and drops what is older.
  void slide() {
    if (block_start < window_size + slide_span) return;
    const size_t shift = (block_start - window_size) / window_size * window_size;
    std::memmove(buf.data(), buf.data() + shift, data_end - shift);
    block_start -= shift;
    data_end -= shift;
    reset_start = reset_start > shift ? reset_start - shift : 0;
    inserted -= shift;
    finder.shift(static_cast<int32_t>(shift));
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
    std::fill(std::begin(prev_main_len), std::end(prev_main_len), 0);
    std::fill(std::begin(prev_length_len), std::end(prev_length_len), 0);
    bits.put(0, 1);  // no E8 call translation
  }

  void put_block_header(unsigned type, uint32_t length) {
    bits.put(type, 3);
    bits.put(length >> 8, 16);
    bits.put(length & 0xff, 8);
  }

  uint64_t compressed_offset() const { return handed_out + out.bytes.size(); }

  // Whole 16-bit words only reach `out.bytes`, so it can be emptied
  // between blocks.
  void hand_out(size_t at_least) {
    if (!output || out.bytes.size() < at_least || out.bytes.empty()) return;
    output(out.bytes);
    handed_out += out.bytes.size();
    out.bytes.clear();
  }

  void compress_block(unsigned frames) {
    out.frame_offsets.push_back(compressed_offset());
    if (frames_done % reset_interval == 0) start_reset_interval();
    code_block(frames);
    frames_done += frames;
    block_start += size_t{frames} * kLzxFrameSize;
    slide();
    hand_out(kOutputPiece);
  }

  void insert_up_to(size_t pos) {
    const size_t end = std::min(pos, data_end - 2);
    for (; inserted < end; ++inserted) finder.insert(buf.data(), static_cast<int32_t>(inserted));
  }

  // The best match at `pos` that ends within the frame, by estimated gain.
  Choice find_match(size_t pos, size_t frame_end) {
    Choice best;
    const auto limit = static_cast<uint32_t>(std::min<size_t>(kMaxMatch, frame_end - pos));
    if (limit < kMinMatch) return best;
    const size_t lowest = std::max(reset_start, pos > window_size - 3 ? pos - (window_size - 3) : 0);
    const uint8_t* here = buf.data() + pos;
    for (int r = 0; r < 3; ++r) {
      const uint32_t d = repeats[r];
      if (d > pos - lowest) continue;
      const uint32_t len = match_length(here, here - d, limit);
      if (len < kMinMatch) continue;
      const int gain = literal_cost(pos, len) - match_cost(static_cast<unsigned>(r), len);
      if (gain > best.gain) best = {len, d, r, gain};
    }
    if (limit < 3 || best.length == limit) return best;
    int32_t cand = finder.first(buf.data(), static_cast<int32_t>(pos));
    for (unsigned depth = kChainDepth; depth > 0 && cand >= static_cast<int32_t>(lowest); --depth) {
      const uint8_t* there = buf.data() + cand;
      if (best.length < limit && there[best.length] == here[best.length]) {
        const uint32_t len = match_length(here, there, limit);
        if (len >= 3) {
          const auto d = static_cast<uint32_t>(pos - cand);
          const unsigned slot = slot_of(d + 2);
          const int gain = literal_cost(pos, len) - match_cost(slot, len) - kSlots.extra[slot];
          if (gain > best.gain) {
            best = {len, d, -1, gain};
            if (len == limit) break;
          }
        }
      }
      cand = finder.next(cand);
    }
    return best;
  }

  void add_literal(uint8_t byte) {
    items.push_back({byte, 0, 0, 0});
    ++main_freq[byte];
  }

  void add_match(Choice m) {
    for (int r = 0; r < 3 && m.repeat < 0; ++r)
      if (repeats[r] == m.distance) m.repeat = r;
    Item item{};
    unsigned slot;
    if (m.repeat >= 0) {
      slot = static_cast<unsigned>(m.repeat);
      std::swap(repeats[0], repeats[m.repeat]);
    } else {
      slot = slot_of(m.distance + 2);
      repeats[2] = repeats[1];
      repeats[1] = repeats[0];
      repeats[0] = m.distance;
      item.extra = kSlots.extra[slot];
      item.footer = m.distance + 2 - kSlots.base[slot];
      footer_bits += item.extra;
      if (item.extra >= 3) {
        ++aligned_freq[item.footer & 7];
        ++aligned_footers;
      }
    }
    const uint32_t header = std::min<uint32_t>(m.length - kMinMatch, kPrimaryLengths);
    item.main = static_cast<uint16_t>(256 + slot * 8 + header);
    if (header == kPrimaryLengths) {
      item.length_footer = static_cast<uint8_t>(m.length - kMinMatch - kPrimaryLengths);
      ++length_freq[item.length_footer];
    }
    ++main_freq[item.main];
    items.push_back(item);
  }

  // Literals and matches of one frame, lazily: a match is put off by one
  // byte when the next position offers a better one.
  void parse_frame(size_t start, size_t end) {
    frame_start = start;
    for (size_t i = start; i < end; ++i) literal_costs[i - start + 1] = literal_costs[i - start] + main_cost[buf[i]];
    unsigned misses = 0;  // positions searched in vain since the last match
    for (size_t pos = start; pos < end;) {
      insert_up_to(pos);
      Choice cur = find_match(pos, end);
      if (cur.gain <= 0) {
        misses = std::min(misses + 1, kMaxSkip << kSkipAfterMissesShift);
        const size_t skip = std::min<size_t>(1 + (misses >> kSkipAfterMissesShift), end - pos);
        for (size_t i = 0; i < skip; ++i) add_literal(buf[pos++]);
        continue;
      }
      misses = 0;
      while (cur.length < kLazyLength && pos + 1 < end) {
        insert_up_to(pos + 1);
        const Choice next = find_match(pos + 1, end);
        if (next.gain <= cur.gain) break;
        add_literal(buf[pos++]);
        cur = next;
      }
      add_match(cur);
      pos += cur.length;
    }
  }

  // Bits of a tree's code lengths in the header; written when `w` is given.
  uint64_t put_lengths(const uint8_t* cur, const uint8_t* prev, unsigned first, unsigned last, LzxBitWriter* w) {
    length_tokens(cur, prev, first, last, tokens);
    uint32_t freq[kPretreeSymbols] = {};
    for (const auto& t : tokens) ++freq[t.symbol];
    uint8_t len[kPretreeSymbols];
    huffman_lengths(freq, kPretreeSymbols, 15, len);
    uint64_t total = 4 * kPretreeSymbols;
    for (const auto& t : tokens) total += len[t.symbol] + t.extra_bits;
    if (w) {
      uint16_t code[kPretreeSymbols];
      huffman_codes(len, kPretreeSymbols, code);
      for (unsigned s = 0; s < kPretreeSymbols; ++s) w->put(len[s], 4);
      for (const auto& t : tokens) {
        w->put(code[t.symbol], len[t.symbol]);
        if (t.extra_bits) w->put(t.extra, t.extra_bits);
      }
    }
    return total;
  }

  uint64_t put_trees(const uint8_t* main_len, const uint8_t* length_len, LzxBitWriter* w) {
    return put_lengths(main_len, prev_main_len, 0, 256, w) +
           put_lengths(main_len, prev_main_len, 256, main_symbols, w) +
           put_lengths(length_len, prev_length_len, 0, kLengthSymbols, w);
  }

  // Parses the block's frames, then writes them in the cheapest block type.
  void code_block(unsigned frames) {
    items.clear();
    frame_ends.clear();
    std::fill(std::begin(main_freq), std::end(main_freq), 0);
    std::fill(std::begin(length_freq), std::end(length_freq), 0);
    std::fill(std::begin(aligned_freq), std::end(aligned_freq), 0);
    footer_bits = aligned_footers = 0;
    for (unsigned f = 0; f < frames; ++f) {
      const size_t start = block_start + size_t{f} * kLzxFrameSize;
      parse_frame(start, start + kLzxFrameSize);
      frame_ends.push_back(items.size());
    }

    uint8_t main_len[kMainSymbols], length_len[kLengthSymbols], aligned_len[kAlignedSymbols];
    huffman_lengths(main_freq, main_symbols, 16, main_len);
    huffman_lengths(length_freq, kLengthSymbols, 16, length_len);
    huffman_lengths(aligned_freq, kAlignedSymbols, 7, aligned_len);
    uint64_t verbatim = put_trees(main_len, length_len, nullptr) + footer_bits;
    for (unsigned s = 0; s < main_symbols; ++s) verbatim += uint64_t{main_freq[s]} * main_len[s];
    for (unsigned s = 0; s < kLengthSymbols; ++s) verbatim += uint64_t{length_freq[s]} * length_len[s];
    uint64_t aligned = verbatim + 3 * kAlignedSymbols - 3 * aligned_footers;
    for (unsigned s = 0; s < kAlignedSymbols; ++s) aligned += uint64_t{aligned_freq[s]} * aligned_len[s];
    const uint64_t stored = uint64_t{frames} * kLzxFrameSize * 8 + 16 + 96;

    if (stored <= std::min(verbatim, aligned)) {
      // The decoder takes the repeated offsets from a stored block's
      // header; the ones the parse left are as good as any.
      emit_uncompressed(frames);
      return;
    }
    const bool use_aligned = aligned < verbatim;
    put_block_header(use_aligned ? kBlockAligned : kBlockVerbatim, frames * kLzxFrameSize);
    uint16_t aligned_code[kAlignedSymbols];
    if (use_aligned) {
      for (unsigned s = 0; s < kAlignedSymbols; ++s) bits.put(aligned_len[s], 3);
      huffman_codes(aligned_len, kAlignedSymbols, aligned_code);
    }
    put_trees(main_len, length_len, &bits);
    uint16_t main_code[kMainSymbols], length_code[kLengthSymbols];
    huffman_codes(main_len, main_symbols, main_code);
    huffman_codes(length_len, kLengthSymbols, length_code);
    size_t i = 0;
    for (unsigned f = 0; f < frames; ++f) {
      if (f > 0) out.frame_offsets.push_back(compressed_offset());
      for (; i < frame_ends[f]; ++i) {
        const Item& it = items[i];
        bits.put(main_code[it.main], main_len[it.main]);
        if (it.main < 256) continue;
        if (((it.main - 256) & 7) == kPrimaryLengths)
          bits.put(length_code[it.length_footer], length_len[it.length_footer]);
        if (use_aligned && it.extra >= 3) {
          bits.put(it.footer >> 3, it.extra - 3);
          bits.put(aligned_code[it.footer & 7], aligned_len[it.footer & 7]);
        } else if (it.extra) {
          bits.put(it.footer, it.extra);
        }
      }
      bits.align();
    }
    std::copy(main_len, main_len + main_symbols, prev_main_len);
    learn_costs(main_len, length_len);
    std::copy(length_len, length_len + kLengthSymbols, prev_length_len);
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
      if (f > 0) out.frame_offsets.push_back(compressed_offset());
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

void LzxCompressor::set_output(std::function<void(std::string_view)> output) { state_->output = std::move(output); }

LzxStream LzxCompressor::finish() {
  state_->finish();
  state_->hand_out(1);
  state_->out.compressed_size = state_->compressed_offset();
  return std::move(state_->out);
}

LzxStream lzx_compress(std::string_view input, unsigned window_bits, unsigned reset_interval_frames) {
  LzxCompressor compressor(window_bits, reset_interval_frames);
  compressor.write(input);
  return compressor.finish();
}

}  // namespace lh::chm
