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

// What a record stands for, with the numbers the kinds have always had.
enum class EntryKind : int32_t {
  kTextOnly = 0,           // a description's entry: text, no page of its own
  kPage = 1,               // a page marker's entry, or "Compilation"
  kExportedProcedure = 2,  // a ProcedureDLL header's command
};

struct ProcedureRecord {
  EntryKind kind = EntryKind::kTextOnly;
  std::string return_suffix;  // exported procedure: ".s", ".l", ... or empty
  std::string name;
  std::string parameters;   // exported procedure: text between "(" and ")", as written
  std::string description;  // exported procedure: the header's trailing comment
};

using RecordList = std::list<ProcedureRecord>;

// Records in table order.
struct ProcedureTable {
  RecordList records;

  // find_procedure's index, so a lookup costs the same in a table of ten
  // thousand records: each name's first record in list order. Records go
  // in anywhere, so each has a number that grows along the list (`order`)
  // to tell which of two records sharing a name comes first. The index
  // covers the first `indexed` records added; records added to the list
  // directly make the next lookup rebuild it. It is a cache of `records`,
  // so a lookup, which may rebuild it, leaves the table as it was.
  mutable std::unordered_map<std::string, RecordList::const_iterator> by_name;
  mutable std::unordered_map<const ProcedureRecord*, uint64_t> order;
  mutable size_t indexed = 0;

  ProcedureTable() = default;
  ProcedureTable(const ProcedureTable&) = delete;
  ProcedureTable& operator=(const ProcedureTable&) = delete;
};

// Where the next record of a table goes: right after the record `at` (at
// the table's head while none is set). Whoever fills a table holds its
// cursor: appending and looking up, in the split's order, move it.
struct TableCursor {
  RecordList::const_iterator at;
  bool set = false;
};

// Inserts `record` right after the cursor's record (at the head when the
// cursor is not set) and sets the cursor on it.
void append_record(ProcedureTable& table, TableCursor& cursor, ProcedureRecord record);

// True when some record's name equals `name` byte for byte. Sets the
// cursor on the first such record in table order, or on the last record
// when there is none (a table with no record leaves it as it was).
bool find_procedure(const ProcedureTable& table, TableCursor& cursor, std::string_view name);

// An exported procedure whose return suffix is exactly ".s" (".S" does not
// count).
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
  bool optional = false;      // from the first entry holding "=" on
};

using ParameterList = std::vector<ParameterEntry>;

// Refills `list` from a parameter text; returns the number of entries. The
// split is plain: every "," splits, and an empty field ends it.
int split_parameters(std::string_view parameters, ParameterList& list);

}  // namespace lh
