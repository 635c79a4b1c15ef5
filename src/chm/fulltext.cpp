// Layout of $FIftiMain, as the HTML Help viewer reads it (described in the
// "Full-text search" chapter of the unofficial description of the CHM format,
// nongnu.org/chmspec):
//
// - a 0x400-byte header (root node, tree depth, the scale and root of the
//   three bit codes, node size, word statistics, code page and LCID);
// - 4096-byte leaf nodes holding the words in byte order, each leaf
//   "next leaf (DWORD), 0 (WORD), free bytes at the end (WORD)" followed by
//   entries "length of the new part + 1, bytes shared with the previous
//   word of the node, the new part, in-title flag, document count (ENCINT),
//   offset of the word's location codes (DWORD), 0 (WORD), their size
//   (ENCINT)"; the ENCINTs here put the low 7 bits first;
// - index nodes above them, "free bytes (WORD)" then entries "length + 1,
//   shared bytes, new part, child node offset (DWORD), 0 (WORD)", each
//   naming its child by the child's last word; the root node is the last
//   node of the file;
// - for each word its word location codes: per document, the document's
//   distance from the word's previous document, the number of places, and
//   each place's distance from the previous one (the place being the word's
//   number among the page's words), all as scale-2 root-r codes written from
//   the high bit of each byte down, each document starting on a new byte.
//
// pychm, our test reader, looks only at the root offset, depth, node size
// and the codes' scale and root in the header, and skips the location codes;
// the other header fields (leaf count, word statistics, code page, LCID) and
// the location codes follow the description for the viewer's sake. pychm
// also cannot descend more than one index level, which a manual needs only
// past about 70,000 different words.
#include "chm/fulltext.h"

#include <algorithm>
#include <array>
#include <bit>
#include <span>
#include <string>
#include <unordered_set>

#include "chm/chm_bytes.h"
#include "chm/fulltext_words.h"

namespace lh::chm {
namespace {

constexpr uint32_t kHeaderSize = 0x400;
constexpr uint32_t kNodeSize = 4096;
constexpr uint32_t kLeafHeaderSize = 8;
constexpr uint32_t kIndexHeaderSize = 2;
constexpr uint32_t kWindows1252 = 1252;

// The leaf entries' counts: 7 bits a byte as the container's ENCINT, but
// the low bits first.
void put_low_first_encint(std::string& s, uint64_t v) {
  while (v >= 0x80) {
    s.push_back(static_cast<char>(0x80 | (v & 0x7F)));
    v >>= 7;
  }
  s.push_back(static_cast<char>(v));
}

size_t shared_prefix(std::string_view a, std::string_view b) {
  size_t n = 0;
  while (n < a.size() && n < b.size() && a[n] == b[n]) ++n;
  return n;
}

// A word's places in the pages, in page order: each place as its page's
// topic and its number among the page's words.
struct Place {
  uint32_t topic, word;
};
using Postings = std::span<const Place>;

// Numbers of words: open addressing over a power-of-two table of word
// numbers + 1 (0: free), each slot with its word's hash beside it.
class WordNumbers {
 public:
  // The number of `w` in `words`, appended there when new.
  uint32_t find_or_add(std::string_view w, std::vector<std::string>& words) {
    if ((words.size() + 1) * 2 > slots_.size()) grow(words);
    const uint32_t h = hash(w);
    const size_t mask = slots_.size() - 1;
    for (size_t i = h & mask;; i = (i + 1) & mask) {
      const uint32_t s = slots_[i];
      if (s == 0) {
        words.emplace_back(w);
        slots_[i] = static_cast<uint32_t>(words.size());
        hashes_[i] = h;
        return static_cast<uint32_t>(words.size() - 1);
      }
      if (hashes_[i] == h && words[s - 1] == w) return s - 1;
    }
  }

 private:
  static uint32_t hash(std::string_view w) {
    uint32_t h = 2166136261u;  // FNV-1a
    for (char c : w) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return h;
  }
  void grow(const std::vector<std::string>& words) {
    std::vector<uint32_t> slots(std::max<size_t>(1024, slots_.size() * 2), 0), hashes(slots.size(), 0);
    const size_t mask = slots.size() - 1;
    for (uint32_t n = 0; n < words.size(); ++n) {
      const uint32_t h = hash(words[n]);
      size_t i = h & mask;
      while (slots[i] != 0) i = (i + 1) & mask;
      slots[i] = n + 1;
      hashes[i] = h;
    }
    slots_ = std::move(slots);
    hashes_ = std::move(hashes);
  }
  std::vector<uint32_t> slots_, hashes_;
};

// Gathers every word of every page (or of every title) with its places,
// in two passes over the pages: the first numbers and counts the words, the
// second puts each place straight where its word's places go. No list of
// every word met is kept besides the places themselves.
class Collector final : public WordSink {
 public:
  explicit Collector(const std::unordered_set<std::string>& stop_words) : stop_words_(stop_words) {}

  // Pages come in ascending topic order, so that each word's places are too;
  // the same pages (and titles), in the same order, in both passes.
  void document(uint32_t topic, std::string_view html) {
    topic_ = topic;
    place_ = 0;
    scan_page_words(html, *this);
    ++documents;
  }
  void title(uint32_t topic, std::string_view text) {
    topic_ = topic;
    place_ = 0;
    scan_text_words(text, *this);
  }

  void place_words(uint32_t topic, std::string_view html) {
    topic_ = topic;
    place_ = 0;
    scan_page_words(html, *this);
  }

  void word(std::string_view w) override {
    if (!stop_words_.empty() && stop_words_.count(std::string(w))) {
      ++place_;  // a left-out word still counts for the places of the next
      return;
    }
    const uint32_t id = numbers_.find_or_add(w, words);
    if (placing_) {
      places_[next_[id]++] = {topic_, place_++};
      return;
    }
    if (id == counts_.size()) counts_.push_back(0);
    ++counts_[id];
    ++place_;
    ++total_words;
    total_length += w.size();
  }

  // After the first pass: room for every word's places together.
  void count_done() {
    starts_.assign(words.size() + 1, 0);
    for (size_t id = 0; id < words.size(); ++id) starts_[id + 1] = starts_[id] + counts_[id];
    next_.assign(starts_.begin(), starts_.end() - 1);
    places_.resize(starts_.back());
    counts_ = {};
    placing_ = true;
  }

  // After the second pass.
  void finish() { next_ = {}; }
  Postings postings(uint32_t id) const { return Postings(places_.data() + starts_[id], starts_[id + 1] - starts_[id]); }

  std::vector<std::string> words;
  uint32_t documents = 0;
  uint64_t total_words = 0;
  uint64_t total_length = 0;

 private:
  const std::unordered_set<std::string>& stop_words_;
  WordNumbers numbers_;
  uint32_t topic_ = 0;
  uint32_t place_ = 0;
  bool placing_ = false;  // the second pass
  std::vector<uint32_t> counts_;
  std::vector<size_t> starts_;
  std::vector<size_t> next_;  // where each word's next place goes
  std::vector<Place> places_;
};

// Calls f(document distance, place count, place distances...) through a
// word's postings, in the order the codes are written.
template <typename DocFn, typename PlaceFn>
void walk_codes(const Postings& p, DocFn&& on_document, PlaceFn&& on_place) {
  uint32_t previous_topic = 0;
  for (size_t i = 0; i < p.size();) {
    const uint32_t topic = p[i].topic;
    size_t end = i;
    while (end < p.size() && p[end].topic == topic) ++end;
    on_document(topic - previous_topic, static_cast<uint32_t>(end - i));
    previous_topic = topic;
    uint32_t previous_place = 0;
    for (; i < end; ++i) {
      on_place(p[i].word - previous_place);
      previous_place = p[i].word;
    }
  }
}

// Scale-2 root-r code of v, whose bit length is n: for n <= r, a 0 and v
// in r bits; else n - r ones, a 0, and the n - 1 bits of v below its top bit.
uint64_t code_bits(unsigned n, unsigned r) { return n <= r ? 1 + r : 2 * n - r; }

using BitLengths = std::array<uint64_t, 33>;  // how many values have each bit length

// The root that makes the values of `lengths` shortest.
uint8_t best_root(const BitLengths& lengths) {
  uint8_t best = 1;
  uint64_t best_bits = UINT64_MAX;
  for (unsigned r = 1; r <= 32; ++r) {
    uint64_t bits = 0;
    for (unsigned n = 0; n <= 32; ++n) bits += lengths[n] * code_bits(n, r);
    if (bits < best_bits) best_bits = bits, best = static_cast<uint8_t>(r);
  }
  return best;
}

class BitWriter {
 public:
  explicit BitWriter(std::string& out) : out_(out) {}
  void put(uint64_t value, unsigned count) {  // count <= 56
    acc_ = (acc_ << count) | value;
    pending_ += count;
    while (pending_ >= 8) {
      pending_ -= 8;
      out_.push_back(static_cast<char>(acc_ >> pending_));
    }
  }
  void put_code(uint32_t v, unsigned r) {
    const auto n = static_cast<unsigned>(std::bit_width(v));
    if (n <= r) return put(v, 1 + r);  // the leading 0 comes with the value
    const unsigned ones = n - r;
    const uint64_t low = v & ((uint64_t{1} << (n - 1)) - 1);
    if (ones + n <= 56) return put((((uint64_t{1} << ones) - 1) << n) | low, ones + n);
    for (unsigned left = ones; left > 0;) {
      const unsigned k = std::min(left, 32u);
      put((uint64_t{1} << k) - 1, k);
      left -= k;
    }
    put(low, n);
  }
  void align() {
    if (pending_ > 0) put(0, 8 - pending_);
  }

 private:
  std::string& out_;
  uint64_t acc_ = 0;  // its low `pending_` bits are still to be written
  unsigned pending_ = 0;
};

struct Roots {
  uint8_t document, count, place;
};

Roots choose_roots(const Collector& body, const Collector& titles) {
  BitLengths documents{}, counts{}, places{};
  for (const Collector* words : {&body, &titles})
    for (uint32_t id = 0; id < words->words.size(); ++id)
      walk_codes(
          words->postings(id),
          [&](uint32_t d, uint32_t c) {
            ++documents[std::bit_width(d)];
            ++counts[std::bit_width(c)];
          },
          [&](uint32_t d) { ++places[std::bit_width(d)]; });
  return {best_root(documents), best_root(counts), best_root(places)};
}

// Appends the word's location codes to `out`; returns its number of documents.
uint32_t encode_codes(const Postings& p, Roots roots, std::string& out) {
  BitWriter bits(out);
  uint32_t documents = 0;
  walk_codes(
      p,
      [&](uint32_t d, uint32_t c) {
        if (documents++ > 0) bits.align();
        bits.put_code(d, roots.document);
        bits.put_code(c, roots.count);
      },
      [&](uint32_t d) { bits.put_code(d, roots.place); });
  bits.align();
  return documents;
}

struct NodeRef {
  std::string_view last_word;
  uint32_t offset;
};

// Fills 4096-byte nodes whose entries share leading bytes with the previous
// word of the same node, and appends each full node to the file.
class NodeWriter {
 public:
  NodeWriter(std::string& file, uint32_t header_size) : file_(file), header_size_(header_size) { start(); }
  size_t entry_size(std::string_view word, size_t tail) const {
    return 2 + word.size() - shared_prefix(word, previous_) + tail;
  }
  bool fits(size_t size) const { return node_.size() + size <= kNodeSize; }
  bool empty() const { return node_.size() == header_size_; }
  // Appends the word part of an entry; the caller appends the rest to node().
  void add_word(std::string_view word) {
    size_t shared = std::min(shared_prefix(word, previous_), size_t{255});
    node_.push_back(static_cast<char>(word.size() - shared + 1));
    node_.push_back(static_cast<char>(shared));
    node_.append(word.substr(shared));
    previous_ = word;
  }
  std::string& node() { return node_; }
  // Writes the node out, its free byte count at `free_at`; returns where it went.
  NodeRef finish(size_t free_at) {
    uint32_t free_bytes = static_cast<uint32_t>(kNodeSize - node_.size());
    set_u16(node_, free_at, free_bytes);
    node_.resize(kNodeSize, '\0');
    NodeRef ref{previous_, static_cast<uint32_t>(file_.size())};
    file_.append(node_);
    last_free_ = free_bytes;
    start();
    return ref;
  }
  uint32_t last_free() const { return last_free_; }

 private:
  void start() {
    node_.assign(header_size_, '\0');
    previous_ = {};
  }
  std::string& file_;
  uint32_t header_size_;
  std::string node_;
  std::string_view previous_;
  uint32_t last_free_ = 0;
};

struct Tree {
  uint32_t root = 0;
  uint16_t depth = 1;
  uint32_t leaves = 0;
  uint32_t last_leaf_free = 0;
};

// One leaf entry: a word of the body or of the titles.
struct LeafWord {
  const Collector* words;
  uint32_t id;
  bool title;
};

// Leaves, each after the location codes of its words, then the index
// levels up to the root.
Tree write_tree(const std::vector<LeafWord>& order, Roots roots, std::string& file) {
  Tree tree;
  std::vector<NodeRef> level;
  NodeWriter leaf(file, kLeafHeaderSize);
  auto finish_leaf = [&] {
    NodeRef ref = leaf.finish(6);
    if (!level.empty()) set_u32(file, level.back().offset, ref.offset);  // previous leaf's link
    level.push_back(ref);
  };
  std::string codes;
  // The most a title entry that follows its word's body entry takes: the
  // two counts, the word shared whole.
  constexpr size_t kTitleEntryBound = 2 + 1 + 10 + 4 + 2 + 10;
  for (size_t k = 0; k < order.size(); ++k) {
    const LeafWord& entry = order[k];
    const std::string& word = entry.words->words[entry.id];
    const Postings p = entry.words->postings(entry.id);
    codes.clear();
    const uint32_t documents = encode_codes(p, roots, codes);
    size_t tail = 1 + encint_size(documents) + 4 + 2 + encint_size(codes.size());
    // A word's body and title entries share a leaf: a search goes down to
    // the leaf whose last word is the first not below the word sought, and
    // would miss a title entry that opened the next one.
    const bool title_follows = !entry.title && k + 1 < order.size() && order[k + 1].title &&
                               order[k + 1].words->words[order[k + 1].id] == word;
    if (!leaf.fits(leaf.entry_size(word, tail) + (title_follows ? kTitleEntryBound : 0))) finish_leaf();
    auto codes_at = static_cast<uint32_t>(file.size());
    file.append(codes);
    leaf.add_word(word);
    std::string& n = leaf.node();
    n.push_back(entry.title ? '\1' : '\0');
    put_low_first_encint(n, documents);
    put_u32(n, codes_at);
    put_u16(n, 0);
    put_low_first_encint(n, codes.size());
  }
  finish_leaf();
  tree.leaves = static_cast<uint32_t>(level.size());
  tree.last_leaf_free = leaf.last_free();

  while (level.size() > 1) {
    std::vector<NodeRef> upper;
    NodeWriter index(file, kIndexHeaderSize);
    for (const NodeRef& child : level) {
      if (!index.fits(index.entry_size(child.last_word, 6))) upper.push_back(index.finish(0));
      index.add_word(child.last_word);
      put_u32(index.node(), child.offset);
      put_u16(index.node(), 0);
    }
    upper.push_back(index.finish(0));
    level = std::move(upper);
    ++tree.depth;
  }
  tree.root = level.front().offset;
  return tree;
}

// Every word of both collectors in byte order; a word of a body and of a
// title has two entries, the body's first.
std::vector<LeafWord> leaf_order(const Collector& body, const Collector& titles) {
  std::vector<LeafWord> order;
  order.reserve(body.words.size() + titles.words.size());
  for (const Collector* words : {&body, &titles})
    for (uint32_t i = 0; i < words->words.size(); ++i) order.push_back({words, i, words == &titles});
  std::sort(order.begin(), order.end(), [](const LeafWord& a, const LeafWord& b) {
    const std::string& x = a.words->words[a.id];
    const std::string& y = b.words->words[b.id];
    return x != y ? x < y : a.title < b.title;
  });
  return order;
}

}  // namespace

std::string build_fulltext_index(const std::vector<FulltextDocument>& documents, uint32_t lcid,
                                 const std::vector<std::string>& stop_words) {
  // Topics ascending: the location codes give each document as its
  // distance from the previous one.
  std::vector<const FulltextDocument*> sorted;
  sorted.reserve(documents.size());
  for (const auto& d : documents) sorted.push_back(&d);
  std::stable_sort(sorted.begin(), sorted.end(), [](auto* a, auto* b) { return a->topic < b->topic; });
  const std::unordered_set<std::string> stop(stop_words.begin(), stop_words.end());
  Collector words(stop), titles(stop);
  for (size_t i = 0; i < sorted.size(); ++i)
    if (i == 0 || sorted[i]->topic != sorted[i - 1]->topic) {
      words.document(sorted[i]->topic, sorted[i]->html);
      titles.title(sorted[i]->topic, sorted[i]->title);
    }
  words.count_done();
  titles.count_done();
  for (size_t i = 0; i < sorted.size(); ++i)
    if (i == 0 || sorted[i]->topic != sorted[i - 1]->topic) {
      words.place_words(sorted[i]->topic, sorted[i]->html);
      titles.title(sorted[i]->topic, sorted[i]->title);
    }
  words.finish();
  titles.finish();

  const std::vector<LeafWord> order = leaf_order(words, titles);
  Roots roots = choose_roots(words, titles);

  std::string file(kHeaderSize, '\0');
  Tree tree = write_tree(order, roots, file);

  uint32_t longest = 0, unique_length = 0;
  for (const LeafWord& entry : order) {
    const std::string& w = entry.words->words[entry.id];
    longest = std::max(longest, static_cast<uint32_t>(w.size()));
    unique_length += static_cast<uint32_t>(w.size());
  }
  file[2] = 0x28;  // signature 00 00 28 00
  set_u32(file, 0x04, words.documents);
  set_u32(file, 0x08, tree.root);
  set_u32(file, 0x10, tree.leaves);
  set_u32(file, 0x14, tree.root);
  set_u16(file, 0x18, tree.depth);
  set_u32(file, 0x1A, 7);
  const uint8_t scale_root[6] = {2, roots.document, 2, roots.count, 2, roots.place};
  for (int i = 0; i < 6; ++i) file[0x1E + i] = static_cast<char>(scale_root[i]);
  set_u32(file, 0x2E, kNodeSize);
  set_u32(file, 0x3E, longest);
  set_u32(file, 0x42, static_cast<uint32_t>(words.total_words));
  set_u32(file, 0x46, static_cast<uint32_t>(order.size()));
  set_u32(file, 0x4A, static_cast<uint32_t>(words.total_length));
  set_u32(file, 0x4E, static_cast<uint32_t>(words.total_length >> 32));
  set_u32(file, 0x52, unique_length);
  set_u32(file, 0x56, tree.last_leaf_free);
  set_u32(file, 0x5E, words.documents > 0 ? words.documents - 1 : 0);
  set_u32(file, 0x7A, kWindows1252);
  set_u32(file, 0x7E, lcid);
  return file;
}

}  // namespace lh::chm
