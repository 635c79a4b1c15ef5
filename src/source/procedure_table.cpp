#include "source/procedure_table.h"

#include <algorithm>

#include "base/text.h"

namespace lh {

namespace {

using RecordIt = RecordList::const_iterator;

// Order numbers lie strictly between 0 (before the head) and kOrderEnd (after
// the tail). A record placed between two others takes a number between
// theirs, at most kOrderStep above the one before, so appending at the tail
// leaves room for a billion records.
constexpr uint64_t kOrderEnd = uint64_t{1} << 62;
constexpr uint64_t kOrderStep = uint64_t{1} << 32;

uint64_t order_before(const ProcedureTable& table, RecordIt it) {
  return it == table.records.begin() ? 0 : table.order[&*std::prev(it)];
}

uint64_t order_after(const ProcedureTable& table, RecordIt it) {
  auto next = std::next(it);
  return next == table.records.end() ? kOrderEnd : table.order[&*next];
}

// Gives `it`, just inserted, its order number. When its neighbours' numbers
// leave no room, the records of the smallest aligned range of numbers around
// it that is sparse enough (at most 1.5^bits records in 2^bits numbers) are
// spread out evenly again, which costs O(log n) per insertion overall.
void place(const ProcedureTable& table, RecordIt it) {
  const uint64_t lo = order_before(table, it), hi = order_after(table, it);
  if (hi - lo >= 2) {
    table.order[&*it] = lo + std::min((hi - lo) / 2, kOrderStep);
    return;
  }
  double limit = 1;
  for (int bits = 1; bits <= 62; ++bits) {
    limit *= 1.5;
    const uint64_t size = uint64_t{1} << bits, base = lo & ~(size - 1);
    RecordIt first = it, last = it;
    uint64_t count = 1;
    while (first != table.records.begin() && table.order[&*std::prev(first)] >= base) --first, ++count;
    while (std::next(last) != table.records.end() && table.order[&*std::next(last)] < base + size) ++last, ++count;
    if (static_cast<double>(count) > limit && bits < 62) continue;
    const uint64_t gap = size / (count + 1);
    uint64_t k = 0;
    for (RecordIt r = first;; ++r) {
      table.order[&*r] = base + gap * ++k;
      if (r == last) break;
    }
    return;
  }
}

void index_record(const ProcedureTable& table, RecordIt it) {
  place(table, it);
  auto [slot, fresh] = table.by_name.try_emplace(it->name, it);
  if (!fresh && table.order[&*it] < table.order[&*slot->second]) slot->second = it;
  ++table.indexed;
}

void rebuild_index(const ProcedureTable& table) {
  table.by_name.clear();
  table.order.clear();
  const uint64_t step = std::min(kOrderStep, kOrderEnd / (table.records.size() + 1));
  uint64_t next = 0;
  for (auto it = table.records.begin(); it != table.records.end(); ++it) {
    table.order[&*it] = next += step;
    table.by_name.try_emplace(it->name, it);
  }
  table.indexed = table.records.size();
}

}  // namespace

void append_record(ProcedureTable& table, TableCursor& cursor, ProcedureRecord record) {
  bool index_current = table.indexed == table.records.size();
  auto pos = cursor.set ? std::next(cursor.at) : table.records.cbegin();
  cursor.at = table.records.insert(pos, std::move(record));
  cursor.set = true;
  if (index_current) index_record(table, cursor.at);
}

bool find_procedure(const ProcedureTable& table, TableCursor& cursor, std::string_view name) {
  if (table.indexed != table.records.size()) rebuild_index(table);
  auto hit = table.by_name.find(std::string(name));
  if (hit != table.by_name.end()) {
    cursor = {hit->second, true};
    return true;
  }
  if (!table.records.empty()) cursor = {std::prev(table.records.cend()), true};
  return false;
}

bool is_string_procedure(const ProcedureRecord& record) {
  return record.kind == EntryKind::kExportedProcedure && record.return_suffix == ".s";
}

void insert_line(SourceLines& list, std::string line) {
  // A cursor left past the end (lines removed by hand) means the last line.
  const auto size = static_cast<std::ptrdiff_t>(list.lines.size());
  if (list.current >= size) list.current = size - 1;
  if (list.current < -1) list.current = -1;
  auto pos = static_cast<size_t>(list.current + 1);
  list.lines.insert(list.lines.begin() + static_cast<std::ptrdiff_t>(pos), std::move(line));
  list.current = static_cast<std::ptrdiff_t>(pos);
}

void delete_current_line(SourceLines& list) {
  if (list.current < 0 || list.current >= static_cast<std::ptrdiff_t>(list.lines.size())) return;
  list.lines.erase(list.lines.begin() + list.current);
  --list.current;
}

bool parse_export_header(std::string_view line, ExportHeader* out) {
  std::string_view lt = strip_leading_spaces(line);
  if (!starts_with_ignoring_case(lt, "proceduredll")) return false;
  if (!out) return true;
  std::string_view t = strip_leading_spaces(drop(lt, 12));
  if (!t.empty() && t[0] == '.') {
    out->return_suffix = std::string(left(t, 2));
    t = drop(t, 2);
  } else {
    out->return_suffix.clear();
  }
  t = strip_leading_spaces(t);
  size_t paren = t.find('(');
  std::string_view name = strip_leading_spaces(paren == std::string_view::npos ? t : t.substr(0, paren));
  out->name = std::string(name);
  t = drop(t, name.size() + 1);
  size_t close = t.find(')');
  std::string_view params = close == std::string_view::npos ? t : t.substr(0, close);
  out->parameters = std::string(params);
  t = strip_leading_spaces(drop(t, params.size() + 1));
  out->description = std::string(strip_spaces(drop(t, 1)));
  return true;
}

int split_parameters(std::string_view parameters, ParameterList& list) {
  list.clear();
  bool optional = false;
  size_t start = 0;
  // Stop at the first empty field; the text has no fields past its end.
  while (start <= parameters.size()) {
    size_t comma = parameters.find(',', start);
    std::string_view field =
        comma == std::string_view::npos ? parameters.substr(start) : parameters.substr(start, comma - start);
    if (field.empty()) break;
    ParameterEntry entry;
    size_t eq = field.find('=');
    if (eq == std::string_view::npos) {
      entry.name = std::string(field);
    } else {
      entry.name = std::string(field.substr(0, eq));
      size_t eq2 = field.find('=', eq + 1);
      entry.default_value =
          std::string(eq2 == std::string_view::npos ? field.substr(eq + 1) : field.substr(eq + 1, eq2 - eq - 1));
      optional = true;
    }
    entry.optional = optional;
    list.push_back(std::move(entry));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return static_cast<int>(list.size());
}

}  // namespace lh
