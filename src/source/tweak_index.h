// The working form of the source line list while the tweaked-source passes
// run: a linked list of lines with order labels, plus two indexes over it,
//
//   headers:      name -> lines that parse as an exported header of that name
//   occurrences:  name -> lines holding that name directly before a "("
//
// for the names of the table's exported procedures. The passes look up the
// first header of a name and the lines that may call it instead of scanning
// the whole list per procedure. Index entries are never removed: a line that
// is deleted or rewritten keeps its old entries, and every use checks the
// line's current state, so an entry is a candidate, not a promise.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "source/procedure_table.h"

namespace lh::tweak {

constexpr uint32_t kNone = UINT32_MAX;

struct Line {
  std::string text;
  uint32_t prev = kNone;
  uint32_t next = kNone;
  uint64_t label = 0;        // strictly increasing along the list
  int32_t header_name = -1;  // name id when the line is a known header
  bool alive = true;
  uint32_t visit = 0;  // stamp of the last rewrite that looked at the line
};

// Open-addressing map from a name to its id; the lookup runs for every "("
// of the source, so it compares stored hashes before any text.
struct NameMap {
  struct Slot {
    uint64_t hash = 0;
    int32_t id = -1;
  };
  std::vector<Slot> slots;              // size a power of two, at most half full
  std::vector<std::string_view> names;  // by id
};

int32_t find_name(const NameMap& map, std::string_view name);
int32_t add_name(NameMap& map, std::string_view name);  // existing or new id

// Names are views of the table's records, which outlive the passes.
struct Names {
  NameMap ids;
  // A call that can be rewritten stands at the line start or after a
  // character that cannot end a name, so for a name made of letters, digits
  // and "_" it is exactly the run of such characters before the "(": one
  // lookup in `ids`. Any other name goes into a trie read backwards from the
  // "(", walked only when such names exist. An edge is keyed by
  // (node << 8 | byte).
  std::unordered_map<uint64_t, uint32_t> edges;
  std::vector<int32_t> terminal{-1};  // per trie node: name id or -1
};

struct IndexedLines {
  std::vector<Line> lines;
  uint32_t head = kNone;
  uint32_t tail = kNone;
  uint32_t last_end = kNone;  // the last end line in list order
  uint32_t visit_stamp = 0;
  Names names;
  std::vector<std::vector<uint32_t>> headers;      // per name id
  std::vector<std::vector<uint32_t>> occurrences;  // per name id
};

// Builds the working form from the source line list, moving its texts out;
// `table` supplies the names worth indexing (every exported procedure's
// non-empty name) and must outlive `ix`.
void build(IndexedLines& ix, SourceLines& source, const ProcedureTable& table);

// Moves the list back into `source`, in order; the cursor ends on the last
// line.
void write_back(IndexedLines& ix, SourceLines& source);

int32_t name_id(const IndexedLines& ix, std::string_view name);  // -1 if unknown

// The first line, in list order, that parses as an exported header named
// by `id`; kNone when there is none.
uint32_t first_header(IndexedLines& ix, int32_t id);

// The first end line after `from`; kNone when there is none.
uint32_t end_after(const IndexedLines& ix, uint32_t from);

// The texts of the lines after `header` through `end`, leaving out the
// documentation lines. With `take` the texts are moved out, for lines about
// to be removed.
std::vector<std::string> body_lines(IndexedLines& ix, uint32_t header, uint32_t end, bool take);

// Unlinks the lines from `first` through `last`.
void remove_range(IndexedLines& ix, uint32_t first, uint32_t last);

// Inserts `texts` after the line `after` (at the head for kNone).
void insert_after(IndexedLines& ix, uint32_t after, std::vector<std::string> texts);

enum class CallKind { kFullVariant, kStringCopy };

// What the calls of one procedure become.
//   kFullVariant: a call that stands at the line start or after a character
//     that cannot end a name, passing A arguments, goes to the variant that
//     takes them: variant A - required + 1, named `name` for variant 1 and
//     `name` + k for variant k. A count no variant takes, or a call whose
//     ")" is not on the line, stays. Lines starting (after spaces) with
//     "ProcedureDll", the generated variant headers, are left alone.
//   kStringCopy: a call at the line start or after a blank, "+" or "=" goes
//     to `name` + "_internal". Lines starting (after spaces) with
//     "ProcedureDLL.s" in any letter case are left alone.
struct CallRewrite {
  std::string_view name;
  CallKind kind;
  int required = 0;  // kFullVariant: parameters without a default
  int variants = 1;  // kFullVariant: number of variants
};

// Applies one name's call rewriting to every line that may hold a call of it.
void redirect(IndexedLines& ix, int32_t id, const CallRewrite& rewrite);

// The rewriting of one line, as every pass applies it. True when it changed.
bool rewrite_line(std::string& line, const CallRewrite& rewrite);

}  // namespace lh::tweak
