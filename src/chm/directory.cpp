#include "chm/directory.h"

#include <algorithm>
#include <unordered_set>

#include "chm/chm_bytes.h"

namespace lh::chm {
namespace {

constexpr uint32_t kDirectoryHeaderSize = 0x54;
constexpr uint32_t kListingHeaderSize = 0x14;
constexpr uint32_t kIndexHeaderSize = 0x08;
// A quick-reference offset every (1 + (1 << density)) entries.
constexpr uint32_t kQuickrefDensity = 2;
constexpr size_t kQuickrefEvery = 1 + (1u << kQuickrefDensity);

constexpr Guid kDirectoryGuid = {0x5D02926A, 0x212E, 0x11D0, {0x9D, 0xF9, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC}};

unsigned char fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

std::string fold_name(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = static_cast<char>(fold(static_cast<unsigned char>(c)));
  return folded;
}

// Size of the quick-reference area (offsets and the entry count) of a chunk
// of `n` entries.
size_t quickref_size(size_t n) { return 2 * (1 + (n == 0 ? 0 : (n - 1) / kQuickrefEvery)); }

// Fills chunks of one kind from encoded entries: each chunk takes entries
// while they and its quick-reference area fit, then gets its free-space
// field, zero padding and the quick-reference area written backwards from
// its end.
class ChunkWriter {
 public:
  ChunkWriter(std::string& out, uint32_t header_size) : out_(out), header_size_(header_size) {}

  // True when an entry of `size` bytes still fits in the open chunk.
  bool fits(size_t size) const {
    return header_size_ + used_ + size + quickref_size(offsets_.size() + 1) <= kDirectoryChunkSize;
  }
  bool empty() const { return offsets_.empty(); }

  void begin(std::string_view header) {
    chunk_start_ = out_.size();
    out_ += header;
    used_ = 0;
    offsets_.clear();
  }
  void add(const std::string& entry) {
    offsets_.push_back(used_);
    used_ += entry.size();
    out_ += entry;
  }
  void end() {
    const size_t entries_end = out_.size() - chunk_start_;
    set_u32(out_, chunk_start_ + 4, static_cast<uint32_t>(kDirectoryChunkSize - entries_end));
    out_.resize(chunk_start_ + kDirectoryChunkSize, '\0');
    // From the end backwards: the entry count, then the offset of entry
    // n, 2n, ... from the first entry.
    size_t at = chunk_start_ + kDirectoryChunkSize - 2;
    auto put16 = [&](size_t v) {
      out_[at] = static_cast<char>(v & 0xFF);
      out_[at + 1] = static_cast<char>((v >> 8) & 0xFF);
      at -= 2;
    };
    put16(offsets_.size());
    for (size_t i = kQuickrefEvery; i < offsets_.size(); i += kQuickrefEvery) put16(offsets_[i]);
  }

 private:
  std::string& out_;
  uint32_t header_size_;
  size_t chunk_start_ = 0;
  size_t used_ = 0;
  std::vector<size_t> offsets_;
};

struct ChunkStart {
  std::string_view first_name;
  uint32_t chunk;
};

std::string listing_header(int32_t previous, int32_t next) {
  std::string h = "PMGL";
  put_u32(h, 0);  // free space, set when the chunk is closed
  put_u32(h, 0);
  put_u32(h, static_cast<uint32_t>(previous));
  put_u32(h, static_cast<uint32_t>(next));
  return h;
}

std::string index_header() {
  std::string h = "PMGI";
  put_u32(h, 0);
  return h;
}

}  // namespace

int directory_compare(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = fold(static_cast<unsigned char>(a[i]));
    const unsigned char y = fold(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void add_folder_entries(std::vector<DirectoryEntry>& entries) {
  std::unordered_set<std::string> seen;
  for (const DirectoryEntry& e : entries)
    if (!e.name.empty() && e.name.back() == '/') seen.insert(fold_name(e.name));
  const size_t files = entries.size();
  for (size_t i = 0; i < files; ++i) {
    // Every folder on the way, from the outermost: "/a/", "/a/b/".
    const std::string name = entries[i].name;
    if (name.front() != '/') continue;  // the format's own "::" storage needs no folders
    for (size_t slash = name.find('/'); slash != std::string::npos && slash + 1 < name.size();
         slash = name.find('/', slash + 1)) {
      std::string folder = name.substr(0, slash + 1);
      if (seen.insert(fold_name(folder)).second) entries.push_back({std::move(folder), 0, 0, 0});
    }
  }
}

std::string build_directory(const std::vector<DirectoryEntry>& entries, uint32_t lcid) {
  std::string chunks;
  std::vector<ChunkStart> level;  // first name and number of each chunk of the level below
  uint32_t chunk_count = 0;

  // Listing chunks. Each one's "next" link is the following chunk; the last
  // one's is patched to -1 afterwards.
  ChunkWriter listing(chunks, kListingHeaderSize);
  std::string entry;
  for (size_t i = 0; i < entries.size(); ++i) {
    const DirectoryEntry& e = entries[i];
    entry.clear();
    put_encint(entry, e.name.size());
    entry += e.name;
    put_encint(entry, e.section);
    put_encint(entry, e.offset);
    put_encint(entry, e.length);
    if (i == 0 || !listing.fits(entry.size())) {
      if (i != 0) listing.end();
      listing.begin(listing_header(chunk_count == 0 ? -1 : static_cast<int32_t>(chunk_count - 1),
                                   static_cast<int32_t>(chunk_count + 1)));
      level.push_back({e.name, chunk_count++});
    }
    listing.add(entry);
  }
  if (entries.empty()) {
    listing.begin(listing_header(-1, -1));
    chunk_count = 1;
  }
  listing.end();
  const uint32_t last_listing = chunk_count - 1;
  set_u32(chunks, last_listing * kDirectoryChunkSize + 0x10, 0xFFFFFFFF);

  // Index levels, each naming the first entry of every chunk below it,
  // until one chunk covers them all.
  uint32_t depth = 1;
  while (level.size() > 1) {
    std::vector<ChunkStart> above;
    ChunkWriter index(chunks, kIndexHeaderSize);
    for (size_t i = 0; i < level.size(); ++i) {
      entry.clear();
      put_encint(entry, level[i].first_name.size());
      entry += level[i].first_name;
      put_encint(entry, level[i].chunk);
      if (i == 0 || !index.fits(entry.size())) {
        if (i != 0) index.end();
        index.begin(index_header());
        above.push_back({level[i].first_name, chunk_count++});
      }
      index.add(entry);
    }
    index.end();
    level = std::move(above);
    ++depth;
  }

  std::string out = "ITSP";
  put_u32(out, 1);  // version
  put_u32(out, kDirectoryHeaderSize);
  put_u32(out, 0x0A);
  put_u32(out, kDirectoryChunkSize);
  put_u32(out, kQuickrefDensity);
  put_u32(out, depth);
  put_u32(out, depth == 1 ? 0xFFFFFFFF : chunk_count - 1);  // root index chunk
  put_u32(out, 0);                                          // first listing chunk
  put_u32(out, last_listing);
  put_u32(out, 0xFFFFFFFF);
  put_u32(out, chunk_count);
  put_u32(out, lcid);
  put_guid(out, kDirectoryGuid);
  put_u32(out, kDirectoryHeaderSize);
  put_u32(out, 0xFFFFFFFF);
  put_u32(out, 0xFFFFFFFF);
  put_u32(out, 0xFFFFFFFF);
  out += chunks;
  return out;
}

}  // namespace lh::chm
