#include "source/tweak_index.h"

#include <algorithm>

#include "base/text.h"
#include "source/call_arguments.h"
#include "source/tweak.h"

namespace lh::tweak {
namespace {

uint64_t edge_key(uint32_t node, char c) { return (uint64_t(node) << 8) | uint8_t(c); }

bool identifier_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool is_identifier(std::string_view name) {
  for (char c : name)
    if (!identifier_char(c)) return false;
  return true;
}

uint64_t hash_of(std::string_view s) {
  uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (char c : s) h = (h ^ uint8_t(c)) * 1099511628211ull;
  return h | 1;  // never 0, which marks a free slot
}

void add_indexed_name(Names& names, std::string_view name) {
  if (name.empty() || find_name(names.ids, name) >= 0) return;
  add_name(names.ids, name);
  if (is_identifier(name)) return;
  int32_t id = find_name(names.ids, name);
  uint32_t node = 0;
  for (size_t i = name.size(); i-- > 0;) {
    auto [it, added] = names.edges.emplace(edge_key(node, name[i]), uint32_t(names.terminal.size()));
    if (added) names.terminal.push_back(-1);
    node = it->second;
  }
  names.terminal[node] = id;
}

// Calls `found(id)` for every known name that may stand as a call before a
// "(" somewhere in the text (a superset of the calls that can be rewritten).
template <typename F>
void for_each_name_before_paren(const Names& names, std::string_view text, F found) {
  for (size_t p = text.find('('); p != std::string_view::npos; p = text.find('(', p + 1)) {
    size_t start = p;
    while (start > 0 && identifier_char(text[start - 1])) --start;
    if (start < p) {
      int32_t id = find_name(names.ids, text.substr(start, p - start));
      if (id >= 0) found(id);
    }
    if (names.edges.empty()) continue;
    uint32_t node = 0;
    for (size_t q = p; q-- > 0;) {
      auto it = names.edges.find(edge_key(node, text[q]));
      if (it == names.edges.end()) break;
      node = it->second;
      if (names.terminal[node] >= 0) found(names.terminal[node]);
    }
  }
}

// Records a line's current text in both indexes.
void index_line(IndexedLines& ix, uint32_t at) {
  Line& line = ix.lines[at];
  line.header_name = -1;
  ExportHeader header;
  if (parse_export_header(line.text, &header)) {
    int32_t id = name_id(ix, header.name);
    if (id >= 0) {
      line.header_name = id;
      ix.headers[size_t(id)].push_back(at);
    }
  }
  int32_t last = -1;
  for_each_name_before_paren(ix.names, line.text, [&](int32_t id) {
    if (id == last) return;  // the same name twice in a row on one line
    last = id;
    ix.occurrences[size_t(id)].push_back(at);
  });
}

// Spreads labels evenly over the whole list again; needed only when
// insertions have used up the room between two neighbours.
void relabel(IndexedLines& ix, size_t extra) {
  size_t count = extra + 2;
  for (uint32_t at = ix.head; at != kNone; at = ix.lines[at].next) ++count;
  uint64_t step = UINT64_MAX / count;
  uint64_t label = step;
  for (uint32_t at = ix.head; at != kNone; at = ix.lines[at].next, label += step) ix.lines[at].label = label;
}

}  // namespace

int32_t find_name(const NameMap& map, std::string_view name) {
  if (map.slots.empty()) return -1;
  uint64_t h = hash_of(name);
  size_t mask = map.slots.size() - 1;
  for (size_t i = size_t(h) & mask;; i = (i + 1) & mask) {
    const NameMap::Slot& slot = map.slots[i];
    if (slot.id < 0) return -1;
    if (slot.hash == h && map.names[size_t(slot.id)] == name) return slot.id;
  }
}

int32_t add_name(NameMap& map, std::string_view name) {
  int32_t existing = find_name(map, name);
  if (existing >= 0) return existing;
  if ((map.names.size() + 1) * 2 > map.slots.size()) {
    std::vector<NameMap::Slot> old = std::move(map.slots);
    map.slots.assign(old.empty() ? 64 : old.size() * 2, NameMap::Slot());
    size_t mask = map.slots.size() - 1;
    for (const NameMap::Slot& slot : old) {
      if (slot.id < 0) continue;
      size_t i = size_t(slot.hash) & mask;
      while (map.slots[i].id >= 0) i = (i + 1) & mask;
      map.slots[i] = slot;
    }
  }
  uint64_t h = hash_of(name);
  size_t mask = map.slots.size() - 1;
  size_t i = size_t(h) & mask;
  while (map.slots[i].id >= 0) i = (i + 1) & mask;
  int32_t id = int32_t(map.names.size());
  map.slots[i] = {h, id};
  map.names.push_back(name);
  return id;
}

void build(IndexedLines& ix, SourceLines& source, const ProcedureTable& table) {
  ix = IndexedLines();
  for (const ProcedureRecord& record : table.records)
    if (record.kind == EntryKind::kExportedProcedure) add_indexed_name(ix.names, record.name);
  ix.headers.resize(ix.names.ids.names.size());
  ix.occurrences.resize(ix.names.ids.names.size());

  size_t n = source.lines.size();
  ix.lines.reserve(2 * n + 16);
  uint64_t step = n < (size_t(1) << 23) ? (uint64_t(1) << 40) : UINT64_MAX / (n + 2);
  for (size_t i = 0; i < n; ++i) {
    Line line;
    line.text = std::move(source.lines[i]);
    line.prev = i == 0 ? kNone : uint32_t(i - 1);
    line.next = i + 1 == n ? kNone : uint32_t(i + 1);
    line.label = step * (i + 1);
    ix.lines.push_back(std::move(line));
    index_line(ix, uint32_t(i));
    if (is_end_line(ix.lines[i].text)) ix.last_end = uint32_t(i);
  }
  if (n) {
    ix.head = 0;
    ix.tail = uint32_t(n - 1);
  }
  // The texts live in `ix` now; the list's emptied strings would only sit
  // beside them.
  std::vector<std::string>().swap(source.lines);
}

void write_back(IndexedLines& ix, SourceLines& source) {
  // Sized once: growing the list by doubling, beside every line of `ix`,
  // would hold up to three lists' worth at once.
  size_t count = 0;
  for (uint32_t at = ix.head; at != kNone; at = ix.lines[at].next) ++count;
  std::vector<std::string>().swap(source.lines);
  source.lines.reserve(count);
  for (uint32_t at = ix.head; at != kNone; at = ix.lines[at].next) source.lines.push_back(std::move(ix.lines[at].text));
  source.current = std::ptrdiff_t(source.lines.size()) - 1;
}

int32_t name_id(const IndexedLines& ix, std::string_view name) { return find_name(ix.names.ids, name); }

uint32_t first_header(IndexedLines& ix, int32_t id) {
  std::vector<uint32_t>& candidates = ix.headers[size_t(id)];
  // Drop what is stale on the way, so repeated lookups stay cheap.
  auto stale = [&](uint32_t at) { return !ix.lines[at].alive || ix.lines[at].header_name != id; };
  candidates.erase(std::remove_if(candidates.begin(), candidates.end(), stale), candidates.end());
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  uint32_t best = kNone;
  for (uint32_t at : candidates)
    if (best == kNone || ix.lines[at].label < ix.lines[best].label) best = at;
  return best;
}

uint32_t end_after(const IndexedLines& ix, uint32_t from) {
  // No end line after the last one: answered without walking to the end of
  // the list, which keeps sources with unterminated procedures linear.
  if (ix.last_end == kNone || ix.lines[ix.last_end].label <= ix.lines[from].label) return kNone;
  for (uint32_t at = ix.lines[from].next; at != kNone; at = ix.lines[at].next)
    if (is_end_line(ix.lines[at].text)) return at;
  return kNone;
}

std::vector<std::string> body_lines(IndexedLines& ix, uint32_t header, uint32_t end, bool take) {
  std::vector<std::string> out;
  for (uint32_t at = ix.lines[header].next; at != kNone; at = ix.lines[at].next) {
    if (!is_documentation_line(ix.lines[at].text))
      out.push_back(take ? std::move(ix.lines[at].text) : ix.lines[at].text);
    if (at == end) break;
  }
  return out;
}

void remove_range(IndexedLines& ix, uint32_t first, uint32_t last) {
  uint32_t before = ix.lines[first].prev;
  uint32_t after = ix.lines[last].next;
  for (uint32_t at = first;; at = ix.lines[at].next) {
    ix.lines[at].alive = false;
    if (at == last) break;
  }
  (before == kNone ? ix.head : ix.lines[before].next) = after;
  (after == kNone ? ix.tail : ix.lines[after].prev) = before;
  if (ix.last_end != kNone && !ix.lines[ix.last_end].alive) {
    ix.last_end = kNone;
    for (uint32_t at = before; at != kNone && ix.last_end == kNone; at = ix.lines[at].prev)
      if (is_end_line(ix.lines[at].text)) ix.last_end = at;
  }
}

void insert_after(IndexedLines& ix, uint32_t after, std::vector<std::string> texts) {
  if (texts.empty()) return;
  uint32_t before = after == kNone ? ix.head : ix.lines[after].next;
  auto bounds = [&](uint64_t& lo, uint64_t& hi) {
    lo = after == kNone ? 0 : ix.lines[after].label;
    hi = before == kNone ? UINT64_MAX : ix.lines[before].label;
  };
  uint64_t lo, hi;
  bounds(lo, hi);
  if ((hi - lo) / (texts.size() + 1) == 0) {
    relabel(ix, texts.size());
    bounds(lo, hi);
  }
  uint64_t step = (hi - lo) / (texts.size() + 1);
  uint32_t prev = after;
  for (size_t i = 0; i < texts.size(); ++i) {
    uint32_t at = uint32_t(ix.lines.size());
    Line line;
    line.text = std::move(texts[i]);
    line.prev = prev;
    line.next = before;
    line.label = lo + step * (i + 1);
    ix.lines.push_back(std::move(line));
    (prev == kNone ? ix.head : ix.lines[prev].next) = at;
    prev = at;
    index_line(ix, at);
    if (is_end_line(ix.lines[at].text) && (ix.last_end == kNone || ix.lines[ix.last_end].label < ix.lines[at].label))
      ix.last_end = at;
  }
  (before == kNone ? ix.tail : ix.lines[before].prev) = prev;
}

namespace {

// The characters that can stand right before "Sum(" as part of something
// else: a longer name (letters, digits, "_", bytes from 128 up), a field
// (a\Sum), a type or module path ("."), an address (@Sum), a constant or a
// string name ("#", "$"). After any of them the text is no call of Sum.
bool can_end_name(char c) {
  return identifier_char(c) || c == '\\' || c == '.' || c == '@' || c == '#' || c == '$' || uint8_t(c) >= 128;
}

bool protected_line(std::string_view line, CallKind kind) {
  std::string_view rest = strip_leading_spaces(line);
  return kind == CallKind::kFullVariant ? rest.substr(0, 12) == "ProcedureDll"
                                        : starts_with_ignoring_case(rest, "proceduredll.s");
}

bool is_call(std::string_view line, size_t at, CallKind kind) {
  if (at == 0) return true;
  char c = line[at - 1];
  if (kind == CallKind::kFullVariant) return !can_end_name(c);
  return c == ' ' || c == '\t' || c == '+' || c == '=';
}

// What goes between the name and the "(" of a call; empty when it stays.
std::string call_suffix(const CallRewrite& rewrite, CallArguments& arguments, size_t paren) {
  if (rewrite.kind == CallKind::kStringCopy) return "_internal";
  int count = 0;
  if (!arguments.count_at(paren, count)) return {};
  int variant = count - rewrite.required + 1;
  if (variant < 2 || variant > rewrite.variants) return {};  // variant 1 is the name itself
  return std::to_string(variant);
}

}  // namespace

bool rewrite_line(std::string& line, const CallRewrite& rewrite) {
  if (rewrite.name.empty() || protected_line(line, rewrite.kind)) return false;
  // Occurrences of name + "(", left to right, each scan going on after the
  // previous occurrence's "("; the suffixes go into a fresh text, so the
  // argument counts are read from the line as it was.
  std::string_view text = line;
  CallArguments arguments(text);
  std::string out;
  size_t copied = 0;
  for (size_t from = 0; from < text.size();) {
    size_t found = text.find(rewrite.name, from);
    if (found == std::string_view::npos) break;
    size_t paren = found + rewrite.name.size();
    if (paren >= text.size()) break;
    if (text[paren] != '(') {
      from = found + 1;
      continue;
    }
    from = paren + 1;
    if (!is_call(text, found, rewrite.kind)) continue;
    std::string suffix = call_suffix(rewrite, arguments, paren);
    if (suffix.empty()) continue;
    out.append(text.substr(copied, paren - copied));
    out += suffix;
    copied = paren;
  }
  if (out.empty()) return false;  // no suffix was inserted
  out.append(text.substr(copied));
  line = std::move(out);
  return true;
}

void redirect(IndexedLines& ix, int32_t id, const CallRewrite& rewrite) {
  uint32_t stamp = ++ix.visit_stamp;
  // The list of candidates may grow while it is walked (a rewritten line is
  // indexed again), so it is walked by position.
  for (size_t i = 0; i < ix.occurrences[size_t(id)].size(); ++i) {
    uint32_t at = ix.occurrences[size_t(id)][i];
    Line& line = ix.lines[at];
    if (!line.alive || line.visit == stamp) continue;
    line.visit = stamp;
    if (rewrite_line(line.text, rewrite)) index_line(ix, at);
  }
}

}  // namespace lh::tweak
