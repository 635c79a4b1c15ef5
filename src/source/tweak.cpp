#include "source/tweak.h"

#include <unordered_set>

#include "base/text.h"
#include "source/tweak_index.h"

namespace lh {

using tweak::IndexedLines;
using tweak::kNone;

bool is_end_line(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  std::string_view rest = line.substr(i);
  if (!starts_with_ignoring_case(rest, "endprocedure")) return false;
  rest.remove_prefix(12);
  i = 0;
  while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
  return i == rest.size() || rest[i] == ';';
}

bool is_documentation_line(std::string_view line) { return strip_leading_spaces(line).substr(0, 3) == ";//"; }

namespace {

std::string join_names(const ParameterList& list, size_t count) {
  std::string out;
  for (size_t i = 0; i < count; ++i) {
    if (i) out += ',';
    out += list[i].name;
  }
  return out;
}

// The lines that replace one procedure with optional parameters: the
// declaration of the full variant, then variant 1 to V, each after an empty
// line; all but the last forward to the full variant with the defaults of
// the parameters they do not take.
std::vector<std::string> variant_lines(const ProcedureRecord& record, const ParameterList& params, int optional_count,
                                       std::vector<std::string> body) {
  const int variants = optional_count + 1;
  const std::string full = record.name + std::to_string(variants);
  std::vector<std::string> out;
  out.push_back("Declare" + record.return_suffix + " " + full + "(" + join_names(params, params.size()) + ")");
  for (int k = 1; k <= variants; ++k) {
    // Variant k takes the entries before the k-th optional one.
    size_t taken = 0;
    for (int seen = 0; taken < params.size(); ++taken)
      if (params[taken].optional && ++seen == k) break;
    std::string variant_name = k == 1 ? record.name : record.name + std::to_string(k);
    out.emplace_back();
    out.push_back("ProcedureDll" + record.return_suffix + " " + variant_name + "(" + join_names(params, taken) +
                  ") ; " + record.description);
    if (k == variants) {
      for (std::string& line : body) out.push_back(std::move(line));
      break;
    }
    std::string call = "  ProcedureReturn " + full + "(";
    int optional_seen = 0;
    for (size_t i = 0; i < params.size(); ++i) {
      if (i) call += ',';
      if (!params[i].optional) {
        call += params[i].name;
      } else {
        ++optional_seen;
        call += optional_seen < k ? params[i].name : params[i].default_value;
      }
    }
    call += ')';
    out.push_back(std::move(call));
    out.push_back("EndProcedure");
  }
  return out;
}

}  // namespace

namespace {

void copies_pass(IndexedLines& ix, const ProcedureTable& table) {
  std::unordered_set<std::string> copied;
  for (const ProcedureRecord& record : table.records) {
    // An empty name would match every "(" in the source.
    if (!is_string_procedure(record) || record.name.empty() || copied.count(record.name)) continue;
    int32_t id = tweak::name_id(ix, record.name);
    uint32_t header = tweak::first_header(ix, id);
    if (header == kNone) continue;
    uint32_t end = tweak::end_after(ix, header);
    if (end == kNone) continue;  // no end line: the procedure stays as written
    std::vector<std::string> copy;
    copy.push_back("Procedure" + record.return_suffix + " " + record.name + "_internal(" + record.parameters + ")");
    for (std::string& line : tweak::body_lines(ix, header, end, false)) copy.push_back(std::move(line));
    copy.emplace_back();
    tweak::insert_after(ix, ix.lines[header].prev, std::move(copy));
    copied.insert(record.name);
  }
}

void expansion_pass(IndexedLines& ix, const ProcedureTable& table) {
  std::unordered_set<std::string> expanded;
  ParameterList params;
  for (const ProcedureRecord& record : table.records) {
    if (record.kind != EntryKind::kExportedProcedure || record.name.empty() ||
        record.parameters.find('=') == std::string::npos || expanded.count(record.name))
      continue;
    // An "=" that the split never reaches (after an empty field) gives no
    // optional entry; expanding would declare a variant that is not built.
    split_parameters(record.parameters, params);
    int optional_count = 0;
    for (const ParameterEntry& entry : params) optional_count += entry.optional ? 1 : 0;
    if (optional_count == 0) continue;
    int32_t id = tweak::name_id(ix, record.name);
    uint32_t header = tweak::first_header(ix, id);
    if (header == kNone) continue;
    uint32_t end = tweak::end_after(ix, header);
    if (end == kNone) continue;
    std::vector<std::string> body = tweak::body_lines(ix, header, end, true);
    uint32_t before = ix.lines[header].prev;
    tweak::remove_range(ix, header, end);
    tweak::insert_after(ix, before, variant_lines(record, params, optional_count, std::move(body)));
    expanded.insert(record.name);
    tweak::redirect(
        ix, id, {record.name, tweak::CallKind::kFullVariant, int(params.size()) - optional_count, optional_count + 1});
  }
}

void string_calls_pass(IndexedLines& ix, const ProcedureTable& table) {
  // Calls go to an internal copy only when the source holds one: a
  // procedure left as written (no end line) keeps its calls.
  std::unordered_set<std::string_view> copies;
  for (uint32_t at = ix.head; at != kNone; at = ix.lines[at].next) {
    const std::string& line = ix.lines[at].text;
    if (line.compare(0, 9, "Procedure") != 0) continue;
    size_t found = line.find("_internal(");
    if (found != std::string::npos) copies.insert(std::string_view(line).substr(0, found + 10));
  }
  std::vector<const ProcedureRecord*> selected;
  std::unordered_set<std::string> redirected;
  for (const ProcedureRecord& record : table.records) {
    if (!is_string_procedure(record) || record.name.empty() || redirected.count(record.name)) continue;
    if (!copies.count("Procedure" + record.return_suffix + " " + record.name + "_internal(")) continue;
    redirected.insert(record.name);
    selected.push_back(&record);
  }
  for (const ProcedureRecord* selected_record : selected) {
    const ProcedureRecord& record = *selected_record;
    tweak::redirect(ix, tweak::name_id(ix, record.name), {record.name, tweak::CallKind::kStringCopy});
  }
}

// Indexes the lines once, runs the given passes in order over the index and
// writes the result back to the source line list.
template <class... Pass>
void run_passes(SourceLines& source, const ProcedureTable& table, Pass... passes) {
  IndexedLines ix;
  tweak::build(ix, source, table);
  (passes(ix, table), ...);
  tweak::write_back(ix, source);
}

}  // namespace

void add_internal_copies(SourceLines& source, const ProcedureTable& table) { run_passes(source, table, copies_pass); }

void expand_optional_parameters(SourceLines& source, const ProcedureTable& table) {
  run_passes(source, table, expansion_pass);
}

void redirect_string_calls(SourceLines& source, const ProcedureTable& table) {
  run_passes(source, table, string_calls_pass);
}

void tweak_source(SourceLines& source, const ProcedureTable& table) {
  run_passes(source, table, copies_pass, expansion_pass, string_calls_pass);
}

void redirect_calls_to_full_variant(SourceLines& source, std::string_view name, int required, int variants) {
  for (std::string& line : source.lines)
    tweak::rewrite_line(line, {name, tweak::CallKind::kFullVariant, required, variants});
}

}  // namespace lh
