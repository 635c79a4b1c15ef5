#include "pe/pe_resources.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "base/ascii.h"

namespace lh::pe {

namespace {

// Offsets into the PE headers. The optional header's fields up to the
// checksum lie at the same offsets in PE32 (magic 0x10b) and PE32+ (magic
// 0x20b); from there on PE32+ is 16 bytes longer, its stack and heap sizes
// being 8 bytes each.
constexpr uint32_t kCoffNumberOfSections = 2;
constexpr uint32_t kCoffPointerToSymbolTable = 8;
constexpr uint32_t kCoffNumberOfSymbols = 12;
constexpr uint32_t kCoffSizeOfOptionalHeader = 16;
constexpr uint32_t kCoffSize = 20;
constexpr uint32_t kOptSizeOfInitializedData = 8;
constexpr uint32_t kOptSectionAlignment = 32;
constexpr uint32_t kOptFileAlignment = 36;
constexpr uint32_t kOptSizeOfImage = 56;
constexpr uint32_t kOptSizeOfHeaders = 60;
constexpr uint32_t kOptCheckSum = 64;
constexpr uint16_t kMagicPe32 = 0x10b;
constexpr uint16_t kMagicPe32Plus = 0x20b;
constexpr uint32_t kOptNumberOfRvaAndSizes32 = 92;
constexpr uint32_t kOptDataDirectory32 = 96;
constexpr uint32_t kPe32PlusExtra = 16;
constexpr uint32_t kDirResource = 2;
constexpr uint32_t kDirSecurity = 4;
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kResourceSectionFlags = 0x40000040;  // initialised data, readable
constexpr int kMaxTreeDepth = 3;                        // type, name, language

uint16_t get16(std::string_view s, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8);
}

uint32_t get32(std::string_view s, size_t at) {
  return static_cast<uint32_t>(get16(s, at)) | static_cast<uint32_t>(get16(s, at + 2)) << 16;
}

void put16(std::string& s, size_t at, uint32_t v) {
  s[at] = static_cast<char>(v & 0xff);
  s[at + 1] = static_cast<char>((v >> 8) & 0xff);
}

void put32(std::string& s, size_t at, uint32_t v) {
  put16(s, at, v & 0xffff);
  put16(s, at + 2, v >> 16);
}

uint32_t align_up(uint32_t v, uint32_t a) { return a == 0 ? v : (v + a - 1) / a * a; }

struct Section {
  uint32_t header_at = 0;  // file offset of its header
  uint32_t virtual_size = 0;
  uint32_t virtual_address = 0;
  uint32_t raw_size = 0;
  uint32_t raw_pointer = 0;
};

// Where the headers that the reader and the writer need lie in the image.
struct Layout {
  uint32_t coff = 0;  // file offset of the COFF header
  uint32_t opt = 0;   // file offset of the optional header
  uint32_t directories = 0;
  uint32_t section_table = 0;
  std::vector<Section> sections;
};

bool parse_layout(std::string_view image, Layout& l) {
  if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z') return false;
  uint32_t pe = get32(image, 0x3c);
  if (pe > image.size() || image.size() - pe < 4 + kCoffSize + kOptDataDirectory32) return false;
  if (image.substr(pe, 4) != std::string_view("PE\0\0", 4)) return false;
  l.coff = pe + 4;
  l.opt = l.coff + kCoffSize;
  uint16_t magic = get16(image, l.opt);
  if (magic != kMagicPe32 && magic != kMagicPe32Plus) return false;
  uint32_t extra = magic == kMagicPe32Plus ? kPe32PlusExtra : 0;
  if (image.size() - pe < 4 + kCoffSize + kOptDataDirectory32 + extra) return false;
  uint32_t opt_size = get16(image, l.coff + kCoffSizeOfOptionalHeader);
  uint32_t dir_count = get32(image, l.opt + kOptNumberOfRvaAndSizes32 + extra);
  if (dir_count <= kDirSecurity || opt_size < kOptDataDirectory32 + extra + dir_count * 8) return false;
  l.directories = l.opt + kOptDataDirectory32 + extra;
  l.section_table = l.opt + opt_size;
  uint32_t count = get16(image, l.coff + kCoffNumberOfSections);
  if (l.section_table > image.size() || (image.size() - l.section_table) / kSectionHeaderSize < count) return false;
  l.sections.clear();
  for (uint32_t i = 0; i < count; ++i) {
    Section s;
    s.header_at = l.section_table + i * kSectionHeaderSize;
    s.virtual_size = get32(image, s.header_at + 8);
    s.virtual_address = get32(image, s.header_at + 12);
    s.raw_size = get32(image, s.header_at + 16);
    s.raw_pointer = get32(image, s.header_at + 20);
    l.sections.push_back(s);
  }
  return true;
}

// The section whose virtual range holds `rva`, or -1.
int section_of(const Layout& l, uint32_t rva) {
  for (size_t i = 0; i < l.sections.size(); ++i) {
    const Section& s = l.sections[i];
    uint32_t span = std::max(s.virtual_size, s.raw_size);
    if (rva >= s.virtual_address && rva - s.virtual_address < span) return static_cast<int>(i);
  }
  return -1;
}

// Reads the resource tree. `base` is the file offset of the tree, `limit`
// the number of bytes of the section from there on.
struct TreeReader {
  std::string_view image;
  const Layout& layout;
  uint32_t base;
  uint32_t limit;
  std::vector<Resource>& out;
  // When given, each resource's bytes are left in the image and listed
  // here (in the order of `out`) rather than copied into its `data`.
  std::vector<std::string_view>* views = nullptr;

  // In a tree every directory and data entry is reached once, and no two
  // resources share bytes; a damaged tree that loops back or shares would
  // multiply the work and the memory, so it is refused.
  std::set<uint32_t> reached;
  uint64_t data_bytes = 0;

  bool first_visit(uint32_t off) { return reached.insert(off).second; }

  bool in_tree(uint32_t off, uint32_t len) const { return off <= limit && limit - off >= len; }

  bool read_key(uint32_t name_field, ResourceKey& key) const {
    key = ResourceKey{};
    if (!(name_field & 0x80000000u)) {
      key.id = name_field;
      return true;
    }
    uint32_t off = name_field & 0x7fffffffu;
    if (!in_tree(off, 2)) return false;
    uint32_t len = get16(image, base + off);
    if (!in_tree(off + 2, len * 2)) return false;
    for (uint32_t i = 0; i < len; ++i) key.name.push_back(static_cast<char16_t>(get16(image, base + off + 2 + i * 2)));
    return true;
  }

  bool read_data(uint32_t off, Resource& r) {
    if (!in_tree(off, 16) || !first_visit(off)) return false;
    uint32_t rva = get32(image, base + off);
    uint32_t size = get32(image, base + off + 4);
    r.codepage = get32(image, base + off + 8);
    // An empty resource has no bytes to find; the writer may place it at the
    // very end of its section. Its view is empty all the same, so that the
    // views stay in step with the resources.
    if (size == 0) {
      if (views) views->emplace_back();
      return true;
    }
    int s = section_of(layout, rva);
    if (s < 0) return false;
    const Section& sec = layout.sections[s];
    uint32_t rel = rva - sec.virtual_address;
    if (rel > sec.raw_size || sec.raw_size - rel < size) return false;
    uint64_t at = static_cast<uint64_t>(sec.raw_pointer) + rel;
    if (at > image.size() || image.size() - at < size) return false;
    data_bytes += size;
    if (data_bytes > image.size()) return false;
    if (views)
      views->push_back(image.substr(static_cast<size_t>(at), size));
    else
      r.data.assign(image.substr(static_cast<size_t>(at), size));
    return true;
  }

  bool read_directory(uint32_t off, int depth, Resource& path) {
    if (!in_tree(off, 16) || !first_visit(off)) return false;
    uint32_t count = static_cast<uint32_t>(get16(image, base + off + 12)) + get16(image, base + off + 14);
    if (!in_tree(off + 16, count * 8)) return false;
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t entry = base + off + 16 + i * 8;
      uint32_t name_field = get32(image, entry);
      uint32_t target = get32(image, entry + 4);
      ResourceKey key;
      if (!read_key(name_field, key)) return false;
      if (depth == 0)
        path.type = key;
      else if (depth == 1)
        path.name = key;
      else
        path.language = static_cast<uint16_t>(key.id);
      bool is_dir = (target & 0x80000000u) != 0;
      target &= 0x7fffffffu;
      if (depth < kMaxTreeDepth - 1) {
        // A well-formed tree has directories down to the language level;
        // deeper nesting or loops are refused by the depth limit.
        if (!is_dir || !read_directory(target, depth + 1, path)) return false;
      } else {
        if (is_dir) return false;
        Resource r = path;
        if (!read_data(target, r)) return false;
        out.push_back(std::move(r));
      }
    }
    return true;
  }
};

bool read_tree(std::string_view image, const Layout& l, std::vector<Resource>& out,
               std::vector<std::string_view>* views = nullptr) {
  uint32_t rva = get32(image, l.directories + kDirResource * 8);
  uint32_t size = get32(image, l.directories + kDirResource * 8 + 4);
  if (rva == 0 && size == 0) return true;
  int s = section_of(l, rva);
  if (s < 0) return false;
  const Section& sec = l.sections[s];
  uint32_t rel = rva - sec.virtual_address;
  if (rel >= sec.raw_size) return false;
  uint64_t base = static_cast<uint64_t>(sec.raw_pointer) + rel;
  if (base >= image.size()) return false;
  uint32_t limit = std::min<uint64_t>(sec.raw_size - rel, image.size() - base);
  TreeReader reader{image, l, static_cast<uint32_t>(base), limit, out, views, {}, 0};
  Resource path;
  return reader.read_directory(0, 0, path);
}

// Order of the entries of one directory as Windows searches them: named
// entries first, by code units, then numbered ones in ascending order.
bool key_less(const ResourceKey& a, const ResourceKey& b) {
  if (a.named() != b.named()) return a.named();
  if (a.named()) return a.name < b.name;
  return a.id < b.id;
}

struct KeyLess {
  bool operator()(const ResourceKey& a, const ResourceKey& b) const { return key_less(a, b); }
};

// A resource to be written: its keys, and its bytes wherever they are (or
// where they are read from, when they pass through only once).
struct Blob {
  const Resource* resource;
  std::string_view data;
  const ResourceSource* source = nullptr;
  uint32_t size() const { return source ? source->size : static_cast<uint32_t>(data.size()); }
};

using LanguageMap = std::map<uint16_t, Blob>;
using NameMap = std::map<ResourceKey, LanguageMap, KeyLess>;
using TypeMap = std::map<ResourceKey, NameMap, KeyLess>;

// A directory: a 16-byte header, then 8 bytes per entry.
template <typename Map>
uint32_t dir_size(const Map& map) {
  return 16 + 8 * static_cast<uint32_t>(map.size());
}

// The size of all directories of the tree, and the number of its resources.
struct TreeShape {
  uint32_t dirs_size = 0;
  size_t leaf_count = 0;
};

TreeShape measure_tree(const TypeMap& types) {
  TreeShape shape{dir_size(types), 0};
  for (const auto& [type, names] : types) {
    shape.dirs_size += dir_size(names);
    for (const auto& [name, langs] : names) {
      shape.dirs_size += dir_size(langs);
      shape.leaf_count += langs.size();
    }
  }
  return shape;
}

// Writes the part of a tree before the data: the directories and data
// entries in `tree`, sized up front, and the name strings in a block of
// their own, appended once all directories are written (an entry's name
// offset is known only then).
class TreeWriter {
 public:
  TreeWriter(uint32_t entries_at, uint32_t strings_at)
      : tree_(strings_at, '\0'), entries_at_(entries_at), strings_at_(strings_at) {}

  void write_directories(const TypeMap& types);
  // Appends the string block and lays the blobs out after it; returns the
  // size of the whole tree.
  uint32_t place_data(uint32_t section_rva, std::vector<Blob>& data);
  std::string take() { return std::move(tree_); }

 private:
  struct Leaf {
    uint32_t entry_at;
    Blob blob;
  };

  uint32_t string_field(const ResourceKey& key);
  void write_dir_header(uint32_t at, size_t named, size_t numbered);
  template <typename Map>
  uint32_t start_dir(uint32_t at, const Map& map);
  void subdir_entry(uint32_t slot, const ResourceKey& key, uint32_t dir);

  std::string tree_;
  uint32_t entries_at_;
  uint32_t strings_at_;
  std::string strings_;
  std::map<std::u16string, uint32_t> string_offsets_;
  // Entries whose name points into the string block, fixed up in place_data.
  std::vector<uint32_t> string_refs_;
  std::vector<Leaf> leaves_;
};

// The name field of an entry: the key's number, or the offset of its name in
// the string block (each name stored once).
uint32_t TreeWriter::string_field(const ResourceKey& key) {
  if (!key.named()) return key.id;
  auto found = string_offsets_.find(key.name);
  if (found != string_offsets_.end()) return found->second | 0x80000000u;
  uint32_t off = static_cast<uint32_t>(strings_.size());
  strings_.push_back(static_cast<char>(key.name.size() & 0xff));
  strings_.push_back(static_cast<char>(key.name.size() >> 8));
  for (char16_t c : key.name) {
    strings_.push_back(static_cast<char>(c & 0xff));
    strings_.push_back(static_cast<char>(c >> 8));
  }
  string_offsets_.emplace(key.name, off);
  return off | 0x80000000u;  // made absolute once the string block's place is known
}

void TreeWriter::write_dir_header(uint32_t at, size_t named, size_t numbered) {
  put16(tree_, at + 12, static_cast<uint32_t>(named));
  put16(tree_, at + 14, static_cast<uint32_t>(numbered));
}

// The header of a directory of `map`'s keys (named ones first, as the maps
// order them); returns the place of its first entry.
template <typename Map>
uint32_t TreeWriter::start_dir(uint32_t at, const Map& map) {
  size_t named = 0;
  for (const auto& kv : map) named += kv.first.named() ? 1 : 0;
  write_dir_header(at, named, map.size() - named);
  return at + 16;
}

// An entry of `key` pointing at the subdirectory at `dir`.
void TreeWriter::subdir_entry(uint32_t slot, const ResourceKey& key, uint32_t dir) {
  put32(tree_, slot, string_field(key));
  if (key.named()) string_refs_.push_back(slot);
  put32(tree_, slot + 4, dir | 0x80000000u);
}

void TreeWriter::write_directories(const TypeMap& types) {
  // Second level directories come right after the root, third level after
  // all second level ones.
  uint32_t next_dir = dir_size(types);
  uint32_t next_leaf_dir = next_dir;
  for (const auto& kv : types) next_leaf_dir += dir_size(kv.second);
  uint32_t next_entry = entries_at_;

  uint32_t slot = start_dir(0, types);
  for (const auto& [type, names] : types) {
    subdir_entry(slot, type, next_dir);
    slot += 8;
    uint32_t name_slot = start_dir(next_dir, names);
    next_dir += dir_size(names);
    for (const auto& [name, langs] : names) {
      subdir_entry(name_slot, name, next_leaf_dir);
      name_slot += 8;
      write_dir_header(next_leaf_dir, 0, langs.size());  // languages are numbers
      uint32_t lang_slot = next_leaf_dir + 16;
      next_leaf_dir += dir_size(langs);
      for (const auto& [lang, res] : langs) {
        put32(tree_, lang_slot, lang);
        put32(tree_, lang_slot + 4, next_entry);
        leaves_.push_back({next_entry, res});
        next_entry += 16;
        lang_slot += 8;
      }
    }
  }
}

uint32_t TreeWriter::place_data(uint32_t section_rva, std::vector<Blob>& data) {
  for (uint32_t at : string_refs_) put32(tree_, at, (get32(tree_, at) + strings_at_) | 0x80000000u);
  tree_ += strings_;
  uint32_t data_at = align_up(static_cast<uint32_t>(tree_.size()), 8);
  tree_.resize(data_at, '\0');
  uint32_t at = data_at;
  data.clear();
  for (const Leaf& leaf : leaves_) {
    put32(tree_, leaf.entry_at, section_rva + at);
    put32(tree_, leaf.entry_at + 4, leaf.blob.size());
    put32(tree_, leaf.entry_at + 8, leaf.blob.resource->codepage);
    data.push_back(leaf.blob);
    at = align_up(at + leaf.blob.size(), 8);
  }
  return at;
}

// Lays the tree out as resource compilers do: all directories (root, then
// the name directories, then the language directories), the data entries,
// the name strings, and the data, each blob on an 8-byte boundary. Returns
// the part before the data; `data` receives the blobs in their order, each
// to be followed by zeros up to the next multiple of 8, and `size` the size
// of the whole tree.
std::string build_tree(const TypeMap& types, uint32_t section_rva, std::vector<Blob>& data, uint32_t& size) {
  const TreeShape shape = measure_tree(types);
  const uint32_t entries_at = shape.dirs_size;
  const uint32_t strings_at = entries_at + 16 * static_cast<uint32_t>(shape.leaf_count);
  TreeWriter writer(entries_at, strings_at);
  writer.write_directories(types);
  size = writer.place_data(section_rva, data);
  return writer.take();
}

// A byte of a name given as text, as the code unit a resource name holds.
char16_t code_unit(char c) { return static_cast<unsigned char>(c); }

void set_error(std::string* error, const char* text) {
  if (error) *error = text;
}

}  // namespace

bool read_resources(std::string_view image, std::vector<Resource>& out) {
  out.clear();
  Layout l;
  if (!parse_layout(image, l)) return false;
  if (!read_tree(image, l, out)) {
    out.clear();
    return false;
  }
  return true;
}

uint32_t image_checksum(std::string_view image) {
  Layout l;
  uint32_t skip = parse_layout(image, l) ? l.opt + kOptCheckSum : UINT32_MAX;
  uint64_t sum = 0;
  size_t n = image.size();
  for (size_t i = 0; i < n; i += 2) {
    if (i == skip || i == skip + 2) continue;
    uint32_t word = static_cast<unsigned char>(image[i]);
    if (i + 1 < n) word |= static_cast<uint32_t>(static_cast<unsigned char>(image[i + 1])) << 8;
    sum += word;
    sum = (sum & 0xffff) + (sum >> 16);
  }
  sum = (sum & 0xffff) + (sum >> 16);
  return static_cast<uint32_t>(sum + n);
}

namespace {

// Where the new tree goes, decided from the old image's headers alone.
struct Plan {
  Layout layout;
  uint32_t file_align = 0;
  uint32_t section_align = 0;
  // The old image's bytes up to here are kept as they are; the new section's
  // bytes start at `raw_pointer` after zeros.
  uint32_t kept = 0;
  uint32_t header_at = 0;  // file offset of the new tree's section header
  uint32_t rva = 0;
  uint32_t raw_pointer = 0;
  uint32_t old_raw_size = 0;  // file bytes of the section rewritten in place
  bool in_place = false;
  int renamed = -1;  // the old tree's own section, left behind under another name
  // The COFF symbol table or a signature lies behind the sections: the new
  // layout would make it point at the wrong bytes, so it goes.
  bool drop_overlay = false;
  std::string_view overlay;  // what lies behind the sections and stays
};

// The new tree laid out at the planned address.
struct Tree {
  std::string head;        // directories, entries and strings
  std::vector<Blob> data;  // the blobs, each padded to 8 bytes
  uint32_t size = 0;       // the whole tree, as the data directory counts it
  uint32_t raw_size = 0;   // the section's file bytes
};

bool fail(std::string* error, const char* text) {
  set_error(error, text);
  return false;
}

// The section alignments must be powers of two, and every section's bytes
// must lie in the file after the headers, and its memory range below 2 GB,
// leaving room for one more section after the last: the new layout is
// computed from them, and an image that breaks this is damaged.
bool check_sections(std::string_view image, Plan& p, std::string* error) {
  const Layout& l = p.layout;
  p.file_align = get32(image, l.opt + kOptFileAlignment);
  p.section_align = get32(image, l.opt + kOptSectionAlignment);
  auto power_of_two = [](uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
  if (!power_of_two(p.file_align) || p.file_align > 0x10000 || !power_of_two(p.section_align))
    return fail(error, "damaged section alignment");
  const uint64_t table_end = l.section_table + uint64_t{kSectionHeaderSize} * l.sections.size();
  for (const Section& s : l.sections) {
    uint64_t raw_limit = static_cast<uint64_t>(s.raw_pointer) + s.raw_size;
    uint64_t virtual_limit = static_cast<uint64_t>(s.virtual_address) + std::max(s.virtual_size, s.raw_size);
    if ((s.raw_size && (raw_limit > image.size() || s.raw_pointer < table_end)) || virtual_limit > 0x7fffffffu)
      return fail(error, "damaged section table");
  }
  return true;
}

// Decides where the new tree goes: in place of the old one when that has a
// section of its own that is the last one both in memory and in the file,
// else in a new section after all the others.
bool plan_layout(std::string_view image, Plan& p, std::string* error) {
  if (!parse_layout(image, p.layout)) return fail(error, "not a Windows executable (PE32 or PE32+)");
  if (!check_sections(image, p, error)) return false;
  const Layout& l = p.layout;

  // The section that holds the current tree.
  uint32_t old_rva = get32(image, l.directories + kDirResource * 8);
  int old = old_rva ? section_of(l, old_rva) : -1;
  // The headers stay, in the file and in memory (at the start of both),
  // also in an image whose sections hold no file bytes. They lie in the
  // file: a larger size belongs to a damaged image, and would make a later
  // rewrite take the new section's bytes for headers.
  uint32_t size_of_headers = get32(image, l.opt + kOptSizeOfHeaders);
  if (size_of_headers > image.size()) return fail(error, "damaged header size");
  uint32_t headers_end =
      std::max(size_of_headers, l.section_table + static_cast<uint32_t>(l.sections.size()) * kSectionHeaderSize);
  uint32_t raw_end = headers_end, virtual_end = headers_end;
  int last = -1;
  for (size_t i = 0; i < l.sections.size(); ++i) {
    const Section& s = l.sections[i];
    uint32_t vend = s.virtual_address + std::max(s.virtual_size, s.raw_size);
    if (last < 0 || s.virtual_address >= l.sections[last].virtual_address) last = static_cast<int>(i);
    virtual_end = std::max(virtual_end, vend);
    if (s.raw_size) raw_end = std::max(raw_end, s.raw_pointer + s.raw_size);
  }
  const uint32_t data_end = raw_end;

  // Only a section of its own is rewritten: a tree merged into another
  // section shares it with data that must stay.
  bool own_section = old >= 0 && image.substr(l.sections[old].header_at, 6) == std::string_view(".rsrc\0", 6);
  p.in_place = own_section && old == last && old_rva == l.sections[old].virtual_address &&
               (l.sections[old].raw_size == 0 || l.sections[old].raw_pointer + l.sections[old].raw_size == raw_end);

  if (p.in_place) {
    const Section& s = l.sections[old];
    p.header_at = s.header_at;
    p.rva = s.virtual_address;
    p.old_raw_size = s.raw_size;
    p.raw_pointer = s.raw_size ? s.raw_pointer : align_up(raw_end, p.file_align);
    p.kept = s.raw_size ? s.raw_pointer : raw_end;  // the old tree's bytes go
  } else {
    p.header_at = l.section_table + static_cast<uint32_t>(l.sections.size()) * kSectionHeaderSize;
    uint32_t first_raw = size_of_headers;
    for (const Section& s : l.sections)
      if (s.raw_size) first_raw = std::min(first_raw, s.raw_pointer);
    if (p.header_at + kSectionHeaderSize > first_raw || l.sections.size() >= 96)
      return fail(error, "no room for another section header");
    p.rva = align_up(virtual_end, p.section_align);
    // The new section's header must not share bytes with its data.
    p.kept = std::max(raw_end, p.header_at + kSectionHeaderSize);
    p.raw_pointer = align_up(p.kept, p.file_align);
    if (own_section) p.renamed = old;
  }

  p.drop_overlay =
      get32(image, l.coff + kCoffPointerToSymbolTable) != 0 || get32(image, l.directories + kDirSecurity * 8) != 0;
  if (!p.drop_overlay && data_end < image.size()) p.overlay = image.substr(data_end);
  return true;
}

// The new image's bytes: the kept part of the old one, the tree and its
// blobs (which may lie in `image` itself), and what lay behind the sections.
// The image is laid out once at its final size, so that a large package
// needs its old and its new image in memory and nothing more.
std::string emit_image(std::string_view image, const Plan& p, const Tree& tree) {
  std::string out;
  out.reserve(static_cast<size_t>(p.raw_pointer) + tree.raw_size + p.overlay.size());
  out.append(image.substr(0, std::min<size_t>(p.kept, image.size())));
  out.resize(p.raw_pointer, '\0');
  out += tree.head;
  for (const Blob& b : tree.data) {
    out += b.data;
    out.resize(align_up(static_cast<uint32_t>(out.size() - p.raw_pointer), 8) + size_t{p.raw_pointer}, '\0');
  }
  out.resize(static_cast<size_t>(p.raw_pointer) + tree.raw_size, '\0');
  out += p.overlay;
  return out;
}

// Brings the headers of the new image up to date: the tree's section header
// and data directory, the fields of a dropped overlay, the sizes of the
// initialised data and of the image, and the checksum when it was set.
void patch_headers(std::string& out, const Plan& p, const Tree& tree) {
  const Layout& l = p.layout;
  if (!p.in_place) {
    put16(out, l.coff + kCoffNumberOfSections, static_cast<uint32_t>(l.sections.size() + 1));
    std::memcpy(&out[p.header_at], ".rsrc\0\0\0", 8);
    // The old tree stays behind, unused; a different name keeps tools that
    // look resources up by section name off it.
    if (p.renamed >= 0) std::memcpy(&out[l.sections[p.renamed].header_at], ".rsrc_0\0", 8);
  }
  put32(out, p.header_at + 8, tree.size);
  put32(out, p.header_at + 12, p.rva);
  put32(out, p.header_at + 16, tree.raw_size);
  put32(out, p.header_at + 20, p.raw_pointer);
  put32(out, p.header_at + 24, 0);
  put32(out, p.header_at + 28, 0);
  put32(out, p.header_at + 32, 0);
  put32(out, p.header_at + 36, kResourceSectionFlags);

  put32(out, l.directories + kDirResource * 8, p.rva);
  put32(out, l.directories + kDirResource * 8 + 4, tree.size);
  if (p.drop_overlay) {
    put32(out, l.directories + kDirSecurity * 8, 0);
    put32(out, l.directories + kDirSecurity * 8 + 4, 0);
    put32(out, l.coff + kCoffPointerToSymbolTable, 0);
    put32(out, l.coff + kCoffNumberOfSymbols, 0);
  }
  uint32_t initialized = get32(out, l.opt + kOptSizeOfInitializedData);
  put32(out, l.opt + kOptSizeOfInitializedData, initialized - p.old_raw_size + tree.raw_size);
  uint32_t image_end = p.rva + tree.size;
  for (const Section& s : l.sections)
    if (!(p.in_place && s.header_at == p.header_at))
      image_end = std::max(image_end, s.virtual_address + s.virtual_size);
  put32(out, l.opt + kOptSizeOfImage, align_up(image_end, p.section_align));
}

// write_resources over blobs, which may lie in `image` itself: plan where
// the tree goes, emit the new image, patch its headers.
bool write_blobs(std::string& image, const std::vector<Blob>& blobs, std::string* error) {
  Plan plan;
  if (!plan_layout(image, plan, error)) return false;
  TypeMap types;
  for (const Blob& b : blobs) types[b.resource->type][b.resource->name][b.resource->language] = b;
  Tree tree;
  tree.head = build_tree(types, plan.rva, tree.data, tree.size);
  tree.raw_size = align_up(tree.size, plan.file_align);
  std::string out = emit_image(image, plan, tree);
  patch_headers(out, plan, tree);
  if (get32(out, plan.layout.opt + kOptCheckSum) != 0) put32(out, plan.layout.opt + kOptCheckSum, image_checksum(out));
  image.swap(out);
  return true;
}

}  // namespace

bool write_resources(std::string& image, const std::vector<Resource>& resources, std::string* error) {
  std::vector<Blob> blobs;
  blobs.reserve(resources.size());
  for (const Resource& r : resources) blobs.push_back({&r, r.data});
  return write_blobs(image, blobs, error);
}

bool add_rcdata(std::string& image, std::string_view name, std::string_view data, bool replace_all,
                std::string* error) {
  // The resources already there stay in the image while it is rewritten.
  std::vector<Resource> resources;
  std::vector<std::string_view> bytes;
  Layout l;
  if (!parse_layout(image, l) || !read_tree(image, l, resources, &bytes)) {
    set_error(error, "the executable's resources cannot be read");
    return false;
  }
  if (replace_all) resources.clear();
  Resource added;
  added.type.id = kRtRcData;
  for (char c : name) added.name.name.push_back(ascii_upper(code_unit(c)));
  if (added.name.name.empty()) {
    set_error(error, "empty resource name");
    return false;
  }
  std::vector<Blob> blobs;
  for (size_t i = 0; i < resources.size(); ++i) {
    const Resource& r = resources[i];
    if (!r.type.named() && r.type.id == kRtRcData && r.name.name == added.name.name && r.language == 0) continue;
    blobs.push_back({&r, bytes[i]});
  }
  blobs.push_back({&added, data});
  return write_blobs(image, blobs, error);
}

namespace {

// image_checksum over bytes that pass in pieces: the same sum, word by
// word, the stored checksum field counted as zero.
class StreamedChecksum {
 public:
  explicit StreamedChecksum(uint64_t skip) : skip_(skip) {}
  void add(std::string_view bytes) {
    for (const char c : bytes) {
      const auto byte = static_cast<unsigned char>(c);
      if (at_ % 2 == 0) {
        low_ = byte;
      } else if (at_ - 1 != skip_ && at_ - 1 != skip_ + 2) {
        add_word(low_ | static_cast<uint32_t>(byte) << 8);
      }
      ++at_;
    }
  }
  uint32_t finish() {
    if (at_ % 2 == 1 && at_ - 1 != skip_ && at_ - 1 != skip_ + 2) add_word(low_);
    sum_ = (sum_ & 0xffff) + (sum_ >> 16);
    return static_cast<uint32_t>(sum_ + at_);
  }

 private:
  void add_word(uint32_t word) {
    sum_ += word;
    sum_ = (sum_ & 0xffff) + (sum_ >> 16);
  }
  uint64_t skip_;
  uint64_t at_ = 0;
  uint64_t sum_ = 0;
  uint32_t low_ = 0;
};

// The keys of the resources added by write_rcdata_streamed: RCDATA, under
// the given name in upper case, with the given language and code page.
bool rcdata_keys(const std::vector<ResourceSource>& added, std::vector<Resource>& keys, std::string* error) {
  keys.assign(added.size(), Resource{});
  for (size_t i = 0; i < added.size(); ++i) {
    keys[i] = added[i].resource;
    keys[i].data.clear();
    keys[i].type = ResourceKey{kRtRcData, {}};
    keys[i].name.id = 0;
    keys[i].name.name.clear();
    for (char16_t c : added[i].resource.name.name) keys[i].name.name.push_back(ascii_upper(c));
    if (keys[i].name.name.empty()) return fail(error, "empty resource name");
  }
  return true;
}

// The tree's size, counted generously, must leave the new section below
// 2 GB: the section's size fields and addresses are 32-bit, and a tree
// that overflows them would be written with wrapped offsets.
bool tree_fits(const TypeMap& types, const Plan& plan) {
  uint64_t total = 0;
  for (const auto& [type, names] : types)
    for (const auto& [name, langs] : names)
      for (const auto& [lang, blob] : langs) total += align_up(blob.size(), 8) + 64 + 2 * name.name.size();
  return plan.rva + total + plan.file_align <= 0x7fffffffu;
}

// Passes the new image's bytes to the sink in order, summing them for the
// checksum and counting them to know where the padding ends.
class StreamedImage {
 public:
  StreamedImage(ImageSink& sink, uint64_t checksum_at) : sink_(sink), checksum_(checksum_at) {}

  bool put(std::string_view bytes) {
    checksum_.add(bytes);
    written_ += bytes.size();
    return sink_.write(bytes);
  }

  // Zeros up to file offset `end`.
  bool pad_to(uint64_t end) {
    static const char kZeros[64] = {};
    while (written_ < end)
      if (!put(std::string_view(kZeros, static_cast<size_t>(std::min<uint64_t>(end - written_, sizeof kZeros)))))
        return false;
    return true;
  }

  // A blob's bytes, from memory or read from its source; a source that gives
  // more or fewer bytes than it announced fails, since the tree already
  // holds its size.
  bool put_blob(const Blob& b) {
    if (!b.source) return put(b.data);
    const uint64_t start = written_;
    bool ok = b.source->read([&](std::string_view piece) {
      if (written_ - start + piece.size() > b.size()) return false;
      return put(piece);
    });
    return ok && written_ - start == b.size();
  }

  uint64_t written() const { return written_; }
  uint32_t checksum() { return checksum_.finish(); }

 private:
  ImageSink& sink_;
  StreamedChecksum checksum_;
  uint64_t written_ = 0;
};

// Streams the image after `head` (the kept part of the old image, the new
// headers and the tree before its data): the blobs, each padded to 8 bytes,
// the rest of the section, what lay behind the sections, and last the
// checksum, when the image had one.
bool stream_image(const std::string& head, const Plan& plan, const Tree& tree, ImageSink& sink, std::string* error) {
  const uint32_t checksum_at = plan.layout.opt + kOptCheckSum;
  StreamedImage out(sink, checksum_at);
  if (!out.put(head)) return fail(error, "the executable cannot be written");
  for (const Blob& b : tree.data) {
    if (!out.put_blob(b)) return fail(error, "a resource's bytes could not be read or written");
    if (!out.pad_to(plan.raw_pointer + align_up(static_cast<uint32_t>(out.written() - plan.raw_pointer), 8)))
      return fail(error, "the executable cannot be written");
  }
  if (!out.pad_to(uint64_t{plan.raw_pointer} + tree.raw_size) || !out.put(plan.overlay))
    return fail(error, "the executable cannot be written");
  if (get32(head, checksum_at) != 0) {
    std::string field(4, '\0');
    put32(field, 0, out.checksum());
    if (!sink.write_at(checksum_at, field)) return fail(error, "the executable cannot be written");
  }
  return true;
}

}  // namespace

bool write_rcdata_streamed(std::string_view image, const std::vector<ResourceSource>& added, ImageSink& sink,
                           std::string* error) {
  std::vector<Resource> resources;
  std::vector<std::string_view> bytes;
  Layout l;
  if (!parse_layout(image, l) || !read_tree(image, l, resources, &bytes))
    return fail(error, "the executable's resources cannot be read");
  std::vector<Resource> keys;
  if (!rcdata_keys(added, keys, error)) return false;
  // The tree keeps one resource per type, name and language: the last one
  // added wins, as with one add_rcdata after another.
  TypeMap types;
  for (size_t i = 0; i < resources.size(); ++i)
    types[resources[i].type][resources[i].name][resources[i].language] = Blob{&resources[i], bytes[i]};
  for (size_t i = 0; i < added.size(); ++i)
    types[keys[i].type][keys[i].name][keys[i].language] = Blob{&keys[i], {}, &added[i]};

  Plan plan;
  if (!plan_layout(image, plan, error)) return false;
  if (!tree_fits(types, plan)) return fail(error, "the resources do not fit an executable");

  Tree tree;
  tree.head = build_tree(types, plan.rva, tree.data, tree.size);
  tree.raw_size = align_up(tree.size, plan.file_align);
  std::string head(image.substr(0, std::min<size_t>(plan.kept, image.size())));
  head.resize(plan.raw_pointer, '\0');
  head += tree.head;
  patch_headers(head, plan, tree);
  return stream_image(head, plan, tree, sink, error);
}

const Resource* find_resource(const std::vector<Resource>& resources, uint32_t type, std::string_view name) {
  for (const Resource& r : resources) {
    if (r.type.named() || r.type.id != type || r.name.name.size() != name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < name.size() && same; ++i) {
      same = ascii_upper(r.name.name[i]) == ascii_upper(code_unit(name[i]));
    }
    if (same) return &r;
  }
  return nullptr;
}

}  // namespace lh::pe
