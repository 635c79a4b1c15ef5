#include "chm/system_files.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "chm/chm_bytes.h"
#include "chm/objinst_table.h"

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

// The window definition of a project that defines none, which #SYSTEM
// names as the default.
constexpr std::string_view kWindowName = "main";

bool has_window(const ChmProject& p) { return !p.windows.empty() || !p.contents_file.empty() || !p.index_file.empty(); }

// The window #SYSTEM names: "Default Window=", else the first definition.
std::string default_window(const ChmProject& p) {
  if (!p.default_window.empty()) return p.default_window;
  if (!p.windows.empty()) return p.windows.front().name;
  return has_window(p) ? std::string(kWindowName) : std::string();
}

// "Name.chm" or a path to it gives "Name".
std::string compiled_name(const ChmProject& p) {
  std::string_view s = p.compiled_file;
  if (const auto slash = s.find_last_of("\\/"); slash != std::string_view::npos) s.remove_prefix(slash + 1);
  if (const auto dot = s.find('.'); dot != std::string_view::npos) s = s.substr(0, dot);
  return std::string(s);
}

std::string system_file(const ChmProject& p, uint32_t unix_time, bool full_text, std::string_view idxhdr) {
  std::string sys;
  put_u32(sys, 3);  // version of "Compatibility=1.1 or later"
  if (!p.contents_file.empty()) put_string_record(sys, 0, p.contents_file);
  if (!p.index_file.empty()) put_string_record(sys, 1, p.index_file);
  if (!p.default_topic.empty()) put_string_record(sys, 2, p.default_topic);
  put_string_record(sys, 3, p.title);
  if (const std::string window = default_window(p); !window.empty()) put_string_record(sys, 5, window);
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
  put_record(sys, 13, idxhdr);
  put_u32_record(sys, 15, 0);
  if (!p.default_font.empty()) put_string_record(sys, 16, p.default_font);
  return sys;
}

// A window as #WINDOWS holds it; unset fields are left out of the
// definition's list of valid members.
struct Window {
  std::string name, caption, contents_file, index_file, file, home, jump1_url, jump1_text, jump2_url, jump2_text;
  std::optional<uint32_t> properties, pane_width, buttons, styles, ex_styles, show_state, pane_closed, tab,
      tab_position, notification_id, history;
  std::optional<std::vector<int32_t>> rect;
};

// The window of a project that defines none: three panes, contents kept
// in step with the page, title from the page, the contents tab first (else
// the index).
Window compiler_window(const ChmProject& p, bool full_text) {
  Window w;
  w.name = kWindowName;
  w.caption = p.title;
  w.contents_file = p.contents_file;
  w.index_file = p.index_file;
  w.file = w.home = p.default_topic;
  w.properties = 0x20 | 0x100 | 0x2000 | (full_text ? 0x400 : 0);
  w.rect = std::vector<int32_t>{60, 40, 860, 640};
  w.show_state = 5;  // SW_SHOW
  w.pane_width = 250;
  // Hide/show, back, forward, stop, refresh, home, options, print.
  w.buttons = 0x2 | 0x4 | 0x8 | 0x10 | 0x20 | 0x40 | 0x1000 | 0x2000;
  w.pane_closed = 0;
  w.tab = p.contents_file.empty() ? 1 : 0;
  w.tab_position = 0;
  w.history = 30;
  return w;
}

Window project_window(const WindowDefinition& d) {
  return Window{d.name,         d.caption,         d.contents_file, d.index_file, d.default_topic, d.home,
                d.jump1_url,    d.jump1_text,      d.jump2_url,     d.jump2_text, d.properties,    d.pane_width,
                d.buttons,      d.styles,          d.ex_styles,     d.show_state, d.pane_closed,   d.tab,
                d.tab_position, d.notification_id, std::nullopt,    d.rect};
}

// #WINDOWS: a count and an entry size, then the entries: the 32-bit layout
// of the HTML Help API's window type, its strings as #STRINGS offsets, then
// fields of the format's third version, left zero.
std::string windows_file(const ChmProject& p, StringTable& strings, bool full_text) {
  if (!has_window(p)) return {};
  std::vector<Window> windows;
  for (const WindowDefinition& d : p.windows) windows.push_back(project_window(d));
  if (windows.empty()) windows.push_back(compiler_window(p, full_text));

  constexpr uint32_t kEntrySize = 0x196;
  std::string w;
  put_u32(w, static_cast<uint32_t>(windows.size()));
  put_u32(w, kEntrySize);
  for (const Window& win : windows) {
    // Which fields hold values: properties, styles, extended styles,
    // position, pane width, show state, toolbar buttons, pane expansion,
    // tab position, history, current tab.
    uint32_t valid = 0;
    auto flag = [&valid](bool set, uint32_t bit) { valid |= set ? bit : 0; };
    flag(win.properties.has_value(), 0x2);
    flag(win.styles.has_value(), 0x4);
    flag(win.ex_styles.has_value(), 0x8);
    flag(win.rect.has_value(), 0x10);
    flag(win.pane_width.has_value(), 0x20);
    flag(win.show_state.has_value(), 0x40);
    flag(win.buttons.has_value(), 0x100);
    flag(win.pane_closed.has_value(), 0x200);
    flag(win.tab_position.has_value(), 0x400);
    flag(win.history.has_value(), 0x1000);
    flag(win.tab.has_value(), 0x2000);
    const size_t entry = w.size();
    put_u32(w, kEntrySize);
    put_u32(w, 0);  // strings are in the CHM's code page, not UTF-16
    put_u32(w, strings.add(win.name));
    put_u32(w, valid);
    put_u32(w, win.properties.value_or(0));
    put_u32(w, strings.add(win.caption));
    put_u32(w, win.styles.value_or(0));
    put_u32(w, win.ex_styles.value_or(0));
    const std::vector<int32_t> rect = win.rect.value_or(std::vector<int32_t>{0, 0, 0, 0});
    for (const int32_t edge : rect) put_u32(w, static_cast<uint32_t>(edge));  // left, top, right, bottom
    put_u32(w, win.show_state.value_or(0));
    for (int i = 0; i < 6; ++i) put_u32(w, 0);  // window handles and information types: set at run time
    put_u32(w, win.pane_width.value_or(0));
    for (int i = 0; i < 4; ++i) put_u32(w, 0);  // page pane rectangle: set at run time
    put_u32(w, strings.add(win.contents_file));
    put_u32(w, strings.add(win.index_file));
    put_u32(w, strings.add(win.file));  // the page shown first
    put_u32(w, strings.add(win.home));  // the Home button's page
    put_u32(w, win.buttons.value_or(0));
    put_u32(w, win.pane_closed.value_or(0));
    put_u32(w, win.tab.value_or(0));
    put_u32(w, win.tab_position.value_or(0));
    put_u32(w, win.notification_id.value_or(0));
    w.append(20, '\0');  // tab order: the viewer's own
    put_u32(w, win.history.value_or(0));
    put_u32(w, strings.add(win.jump1_text));
    put_u32(w, strings.add(win.jump2_text));
    put_u32(w, strings.add(win.jump1_url));
    put_u32(w, strings.add(win.jump2_url));
    w.resize(entry + kEntrySize, '\0');  // minimum size, custom tabs; the later fields
  }
  return w;
}

// #IDXHDR: 4,096 bytes. "T#SM", a stamp, 1, the number of topics, 0; then
// the contents file's site properties (image list, folder images, colours,
// font, window styles, frame and window names: #STRINGS offsets and values,
// -1 where the contents file leaves one out, all 0 without a contents
// file); the number of information types (none), 1, and the merged files
// (none).
std::string index_header(const ChmProject& p, StringTable& strings, uint32_t unix_time) {
  std::string h = "T#SM";
  put_u32(h, unix_time);
  put_u32(h, 1);
  put_u32(h, static_cast<uint32_t>(p.topics.size()));
  put_u32(h, 0);
  const bool contents = !p.contents_file.empty();
  const SiteProperties& site = p.site;
  constexpr uint32_t kUnset = 0xFFFFFFFF;
  auto text = [&](const std::string& s) { return !contents ? 0 : s.empty() ? kUnset : strings.add(s); };
  auto number = [&](const std::optional<uint32_t>& v) { return !contents ? 0 : v.value_or(kUnset); };
  put_u32(h, text(site.image_list));
  put_u32(h, 0);
  put_u32(h, contents && site.folder_images ? 1 : 0);
  put_u32(h, number(site.background));
  put_u32(h, number(site.foreground));
  put_u32(h, text(site.font));
  put_u32(h, number(site.window_styles));
  put_u32(h, number(site.ex_window_styles));
  put_u32(h, contents ? kUnset : 0);
  put_u32(h, text(site.frame_name));
  put_u32(h, text(site.window_name));
  put_u32(h, 0);  // information types
  put_u32(h, 1);
  put_u32(h, 0);  // merged files
  h.resize(0x1000, '\0');
  return h;
}

constexpr Guid kSortObjectGuid = {0x4662DAAF, 0xD393, 0x11D0, {0x9A, 0x56, 0x00, 0xC0, 0x4F, 0xB6, 0x8B, 0xF7}};
constexpr Guid kStemmerGuid = {0x8FA0D5A8, 0xDEDF, 0x11D0, {0x9A, 0x61, 0x00, 0xC0, 0x4F, 0xB6, 0x8B, 0xF7}};
constexpr Guid kBreakerObjectGuid = {0x4662DAB0, 0xD393, 0x11D0, {0x9A, 0x56, 0x00, 0xC0, 0x4F, 0xB6, 0x8B, 0x66}};
constexpr uint32_t kWindows1252 = 1252;

// $OBJINST: the persisted objects of the full-text search, two of them
// after a table of their offsets and sizes: the sort object (code page,
// language, character table, and the stemmer's own language record) and
// the word breaker (code page, language). The viewer's search reads the
// language and the character table from here.
std::string object_instances(uint32_t lcid) {
  std::string sort;
  put_guid(sort, kSortObjectGuid);
  put_u32(sort, 0x04000000);
  put_u32(sort, 0x0B);
  put_u32(sort, kWindows1252);
  put_u32(sort, lcid);
  sort += kWindows1252SortTable;
  put_guid(sort, kStemmerGuid);
  put_u32(sort, 0x04000000);
  put_u32(sort, 1);
  put_u32(sort, kWindows1252);
  put_u32(sort, lcid);
  put_u32(sort, 0);

  std::string breaker;
  put_guid(breaker, kBreakerObjectGuid);
  put_u32(breaker, 0x029A);
  put_u32(breaker, kWindows1252);
  put_u32(breaker, lcid);
  put_u32(breaker, 0x272F);
  put_u32(breaker, 0);

  constexpr uint32_t kTableEnd = 8 + 2 * 8;
  std::string out;
  put_u32(out, 0x04000000);
  put_u32(out, 2);
  put_u32(out, kTableEnd);
  put_u32(out, static_cast<uint32_t>(sort.size()));
  put_u32(out, kTableEnd + static_cast<uint32_t>(sort.size()));
  put_u32(out, static_cast<uint32_t>(breaker.size()));
  out += sort;
  out += breaker;
  return out;
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
  f.idxhdr = index_header(project, strings, unix_time);
  f.system = system_file(project, unix_time, has_full_text_index, f.idxhdr);
  f.objinst = object_instances(project.language);
  f.link_property.assign(4, '\0');  // no keyword or associative links
  f.strings = strings.take();
  return f;
}

}  // namespace lh::chm
