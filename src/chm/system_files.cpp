#include "chm/system_files.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "chm/chm_bytes.h"

namespace lh::chm {
namespace {

// Records of #STRINGS, #URLSTR and #URLTBL never straddle a 4 KB page of
// their file: the viewer reads them page by page.
constexpr size_t kPage = 0x1000;

void pad_to_fit(std::string& file, size_t record_size) {
  const size_t pos = file.size();
  if (record_size <= kPage && pos / kPage != (pos + record_size - 1) / kPage)
    file.resize((pos / kPage + 1) * kPage, '\0');
}

// #STRINGS: NUL-terminated strings, an empty one at offset 0, each string
// stored once.
class StringTable {
 public:
  StringTable() { data_.push_back('\0'); }
  uint32_t add(std::string_view s) {
    if (s.empty()) return 0;
    const std::string key(s);
    if (const auto it = offsets_.find(key); it != offsets_.end()) return it->second;
    pad_to_fit(data_, s.size() + 1);
    const auto at = static_cast<uint32_t>(data_.size());
    data_ += s;
    data_.push_back('\0');
    offsets_.emplace(key, at);
    return at;
  }
  std::string take() { return std::move(data_); }

 private:
  std::string data_;
  std::unordered_map<std::string, uint32_t> offsets_;
};

void put_record(std::string& sys, uint16_t code, std::string_view data) {
  put_u16(sys, code);
  put_u16(sys, static_cast<uint32_t>(data.size()));
  sys += data;
}

void put_string_record(std::string& sys, uint16_t code, std::string_view text) {
  std::string data(text);
  data.push_back('\0');
  put_record(sys, code, data);
}

void put_u32_record(std::string& sys, uint16_t code, uint32_t v) {
  std::string data;
  put_u32(data, v);
  put_record(sys, code, data);
}

// The one window definition's name, which #SYSTEM names as the default.
constexpr std::string_view kWindowName = "main";

bool has_window(const ChmProject& p) { return !p.contents_file.empty() || !p.index_file.empty(); }

// "Name.chm" or a path to it gives "Name".
std::string compiled_name(const ChmProject& p) {
  std::string_view s = p.compiled_file;
  if (const auto slash = s.find_last_of("\\/"); slash != std::string_view::npos) s.remove_prefix(slash + 1);
  if (const auto dot = s.find('.'); dot != std::string_view::npos) s = s.substr(0, dot);
  return std::string(s);
}

std::string system_file(const ChmProject& p, uint32_t unix_time, bool full_text) {
  std::string sys;
  put_u32(sys, 3);  // version of "Compatibility=1.1 or later"
  if (!p.contents_file.empty()) put_string_record(sys, 0, p.contents_file);
  if (!p.index_file.empty()) put_string_record(sys, 1, p.index_file);
  if (!p.default_topic.empty()) put_string_record(sys, 2, p.default_topic);
  put_string_record(sys, 3, p.title);
  if (has_window(p)) put_string_record(sys, 5, kWindowName);
  {
    std::string data;
    put_u32(data, p.language);
    put_u32(data, 0);  // not a double-byte code page
    put_u32(data, full_text ? 1 : 0);
    put_u32(data, 0);  // no keyword links
    put_u32(data, 0);  // no associative links
    // FILETIME: 100 ns units since 1601.
    put_u64(data, (uint64_t{unix_time} + 11644473600ull) * 10000000ull);
    put_u32(data, 0);
    put_u32(data, 0);
    put_record(sys, 4, data);
  }
  if (const std::string name = compiled_name(p); !name.empty()) put_string_record(sys, 6, name);
  put_string_record(sys, 9, "LibHammer CHM compiler");
  put_u32_record(sys, 10, unix_time);
  put_u32_record(sys, 12, 0);  // no information types
  put_u32_record(sys, 15, 0);
  if (!p.default_font.empty()) put_string_record(sys, 16, p.default_font);
  return sys;
}

// #WINDOWS: one window definition, so that the viewer opens a three-pane
// window with the project's contents and index tabs (without one, viewers
// take the index from a file named after the CHM, not from #SYSTEM). The
// file is a count and an entry size, then the entry: the 32-bit layout of
// the HTML Help API's window type, its strings as #STRINGS offsets, then
// fields of the format's third version, left zero.
std::string windows_file(const ChmProject& p, StringTable& strings, bool full_text) {
  if (!has_window(p)) return {};
  constexpr uint32_t kEntrySize = 0x196;
  // Which fields hold values: properties, position, pane width, show
  // state, toolbar buttons, pane expansion, tab position, history, current tab.
  constexpr uint32_t kValid = 0x2 | 0x10 | 0x20 | 0x40 | 0x100 | 0x200 | 0x400 | 0x1000 | 0x2000;
  // Three panes, contents kept in step with the page, title from the page.
  const uint32_t properties = 0x20 | 0x100 | 0x2000 | (full_text ? 0x400 : 0);
  // Hide/show, back, forward, stop, refresh, home, options, print.
  constexpr uint32_t kButtons = 0x2 | 0x4 | 0x8 | 0x10 | 0x20 | 0x40 | 0x1000 | 0x2000;
  const uint32_t home = strings.add(p.default_topic);

  std::string w;
  put_u32(w, 1);  // definitions
  put_u32(w, kEntrySize);
  const size_t entry = w.size();
  put_u32(w, kEntrySize);
  put_u32(w, 0);  // strings are in the CHM's code page, not UTF-16
  put_u32(w, strings.add(kWindowName));
  put_u32(w, kValid);
  put_u32(w, properties);
  put_u32(w, strings.add(p.title));
  put_u32(w, 0);                                                    // window styles: the viewer's own
  put_u32(w, 0);                                                    // extended styles: the viewer's own
  for (const uint32_t edge : {60, 40, 860, 640}) put_u32(w, edge);  // left, top, right, bottom
  put_u32(w, 5);                                                    // shown (SW_SHOW)
  for (int i = 0; i < 6; ++i) put_u32(w, 0);  // window handles and information types: set at run time
  put_u32(w, 250);                            // navigation pane width
  for (int i = 0; i < 4; ++i) put_u32(w, 0);  // page pane rectangle: set at run time
  put_u32(w, strings.add(p.contents_file));
  put_u32(w, strings.add(p.index_file));
  put_u32(w, home);  // the page shown first
  put_u32(w, home);  // the Home button's page
  put_u32(w, kButtons);
  put_u32(w, 0);                                // navigation pane open
  put_u32(w, p.contents_file.empty() ? 1 : 0);  // tab shown first: contents, else index
  put_u32(w, 0);                                // tabs at the top
  put_u32(w, 0);                                // no notification id
  w.append(20, '\0');                           // tab order: the viewer's own
  put_u32(w, 30);                               // pages kept in history
  w.resize(entry + kEntrySize, '\0');           // no jump buttons, minimum size, custom tabs; the later fields
  return w;
}

}  // namespace

uint32_t url_hash(std::string_view url) {
  // Each byte adds a value derived from it to 43 times the hash so far,
  // modulo 2^32; '/' counts as 0x2C. 0 is kept for "no hash".
  uint32_t h = 0;
  for (const char ch : url) {
    // The hash takes bytes as signed, as the readers that look URLs up do.
    const int c = static_cast<signed char>(ch);  // NOLINT(bugprone-signed-char-misuse)
    const int v = c == '/' ? 0x2C : (c <= 'Z' ? c - 0x30 : c - 0x50);
    h = h * 43u + static_cast<uint32_t>(v);
  }
  return h == 0 ? 1 : h;
}

SystemFiles build_system_files(const ChmProject& project, uint32_t unix_time, bool has_full_text_index) {
  SystemFiles f;
  f.system = system_file(project, unix_time, has_full_text_index);

  StringTable strings;
  f.urlstr.push_back('\0');  // offset 0: no URL
  struct UrlRecord {
    uint32_t hash, topic, urlstr;
  };
  std::vector<UrlRecord> urls;
  urls.reserve(project.topics.size());
  f.topics.reserve(16 * project.topics.size());
  for (size_t i = 0; i < project.topics.size(); ++i) {
    const ChmTopic& t = project.topics[i];
    pad_to_fit(f.urlstr, 8 + t.file.size() + 1);
    urls.push_back({url_hash(t.file), static_cast<uint32_t>(i), static_cast<uint32_t>(f.urlstr.size())});
    put_u32(f.urlstr, 0);  // no remote URL
    put_u32(f.urlstr, 0);  // no frame name
    f.urlstr += t.file;
    f.urlstr.push_back('\0');

    put_u32(f.topics, 0);  // no binary contents entry
    put_u32(f.topics, t.title.empty() ? 0xFFFFFFFF : strings.add(t.title));
    put_u32(f.topics, 0);  // #URLTBL offset, set below
    put_u16(f.topics, 6);  // shown in the contents
    put_u16(f.topics, 0);
  }
  // #URLTBL is sorted by hash (the viewer searches it so), 341 records of
  // 12 bytes to a 4 KB page.
  std::stable_sort(urls.begin(), urls.end(), [](const UrlRecord& a, const UrlRecord& b) { return a.hash < b.hash; });
  for (const UrlRecord& u : urls) {
    pad_to_fit(f.urltbl, 12);
    set_u32(f.topics, 16 * size_t{u.topic} + 8, static_cast<uint32_t>(f.urltbl.size()));
    put_u32(f.urltbl, u.hash);
    put_u32(f.urltbl, u.topic);
    put_u32(f.urltbl, u.urlstr);
  }

  f.windows = windows_file(project, strings, has_full_text_index);
  f.strings = strings.take();
  return f;
}

}  // namespace lh::chm
