#include "source/procedure_table.h"

#include "source/text.h"

namespace lh {

namespace {

using RecordIt = std::list<ProcedureRecord>::iterator;

void index_record(ProcedureTable& table, RecordIt it) {
  auto [slot, fresh] = table.by_name.try_emplace(it->name, it);
  // A shared name: which record comes first depends on where the cursor put
  // each, so the lookup walks the table for it.
  if (!fresh) slot->second = table.records.end();
  ++table.indexed;
}

void rebuild_index(ProcedureTable& table) {
  table.by_name.clear();
  table.indexed = 0;
  for (auto it = table.records.begin(); it != table.records.end(); ++it) index_record(table, it);
}

}  // namespace

void append_record(ProcedureTable& table, ProcedureRecord record) {
  bool index_current = table.indexed == table.records.size();
  auto pos = table.current == table.records.end() ? table.records.begin() : std::next(table.current);
  table.current = table.records.insert(pos, std::move(record));
  if (index_current) index_record(table, table.current);
}

bool find_procedure(ProcedureTable& table, std::string_view name) {
  if (table.indexed != table.records.size()) rebuild_index(table);
  auto hit = table.by_name.find(std::string(name));
  if (hit != table.by_name.end()) {
    if (hit->second != table.records.end()) {
      table.current = hit->second;
      return true;
    }
    for (auto it = table.records.begin(); it != table.records.end(); ++it) {
      if (it->name == name) {
        table.current = it;
        return true;
      }
    }
  }
  if (!table.records.empty()) table.current = std::prev(table.records.end());
  return false;
}

bool is_string_procedure(const ProcedureRecord& record) {
  return record.kind == kExportedProcedure && record.return_suffix == ".s";
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
  int32_t optional = 0;
  size_t start = 0;
  // Stop at the first empty field; the text has no fields past its end.
  while (start <= parameters.size()) {
    size_t comma = parameters.find(',', start);
    std::string_view field = comma == std::string_view::npos ? parameters.substr(start)
                                                              : parameters.substr(start, comma - start);
    if (field.empty()) break;
    ParameterEntry entry;
    size_t eq = field.find('=');
    if (eq == std::string_view::npos) {
      entry.name = std::string(field);
    } else {
      entry.name = std::string(field.substr(0, eq));
      size_t eq2 = field.find('=', eq + 1);
      entry.default_value = std::string(eq2 == std::string_view::npos ? field.substr(eq + 1)
                                                                      : field.substr(eq + 1, eq2 - eq - 1));
      optional = 1;
    }
    entry.optional = optional;
    list.push_back(std::move(entry));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return static_cast<int>(list.size());
}

}  // namespace lh
