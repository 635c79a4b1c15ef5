// The procedure table, the source line list and the parameter list: the
// shared lists of source analysis, with their cursor rules, and the two
// parsing rules that every reader of exported-procedure headers uses.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lh {

enum : int32_t { kTextOnlyEntry = 0, kPageEntry = 1, kExportedProcedure = 2 };

struct ProcedureRecord {
  int32_t kind = kTextOnlyEntry;
  std::string return_suffix;  // kind 2: ".s", ".l", ... or empty
  std::string name;
  std::string parameters;   // kind 2: text between "(" and ")", as written
  std::string description;  // kind 2: the header's trailing comment
};

// Records in table order with a cursor. A new record goes right after the
// current one (at the head when there is none) and becomes current.
struct ProcedureTable {
  std::list<ProcedureRecord> records;
  std::list<ProcedureRecord>::iterator current = records.end();  // end(): none

  // find_procedure's index, so a lookup costs the same in a table of ten
  // thousand records: each name's first record in list order. Records go
  // in anywhere, so each has a number that grows along the list (`order`)
  // to tell which of two records sharing a name comes first. The index
  // covers the first `indexed` records added; records added to the list
  // directly make the next lookup rebuild it.
  std::unordered_map<std::string, std::list<ProcedureRecord>::iterator> by_name;
  std::unordered_map<const ProcedureRecord*, uint64_t> order;
  size_t indexed = 0;

  ProcedureTable() = default;
  ProcedureTable(const ProcedureTable&) = delete;
  ProcedureTable& operator=(const ProcedureTable&) = delete;
};

void append_record(ProcedureTable& table, ProcedureRecord record);

// True when some record's name equals `name` byte for byte. Walks from the
// head; leaves the found record current, or the last record when none is.
bool find_procedure(ProcedureTable& table, std::string_view name);

// kind 2 and return suffix exactly ".s" (".S" does not count).
bool is_string_procedure(const ProcedureRecord& record);

// The library source, one element per line, with a cursor (an index; -1 for
// none). Insertion goes right after the current line and becomes current;
// deleting the current line makes the one before it current.
struct SourceLines {
  std::vector<std::string> lines;
  std::ptrdiff_t current = -1;
};

void insert_line(SourceLines& list, std::string line);
void delete_current_line(SourceLines& list);

struct ExportHeader {
  std::string return_suffix;
  std::string name;
  std::string parameters;
  std::string description;
};

// True when the line (after leading spaces) starts with "proceduredll" in
// any letter case; `out`, when given, receives the parsed fields.
bool parse_export_header(std::string_view line, ExportHeader* out = nullptr);

struct ParameterEntry {
  std::string name;           // text before the first "=", spaces kept
  std::string default_value;  // between the first and second "="
  int32_t optional = 0;       // 1 from the first entry holding "=" on
};

using ParameterList = std::vector<ParameterEntry>;

// Refills `list` from a parameter text; returns the number of entries. The
// split is plain: every "," splits, and an empty field ends it.
int split_parameters(std::string_view parameters, ParameterList& list);

}  // namespace lh
