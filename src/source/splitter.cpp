#include "source/splitter.h"

#include "base/text.h"
#include "source/entry_name.h"
#include "source/line_reader.h"
#include "source/piece_files.h"

namespace lh {

namespace {

constexpr size_t kMaxTitle = 1000;

bool ends_with_ignoring_case(std::string_view s, std::string_view lower_suffix) {
  return s.size() >= lower_suffix.size() &&
         starts_with_ignoring_case(s.substr(s.size() - lower_suffix.size()), lower_suffix);
}

// The text between the first and the second "=" (to the end when there is
// one only, empty when there is none), without its double quotes.
std::string version_of(std::string_view line) {
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return {};
  std::string_view rest = line.substr(eq + 1);
  size_t eq2 = rest.find('=');
  if (eq2 != std::string_view::npos) rest = rest.substr(0, eq2);
  std::string out;
  for (char c : rest)
    if (c != '"') out += c;
  return out;
}

// One role's piece file (the current entry's ".txt", the code's ".cod"...):
// the name last asked for and its file, so lines that keep going to the same
// file cost no lookup.
struct Slot {
  std::string name;  // stem + extension
  PieceFile* file = nullptr;
  bool valid = false;
};

// A source line as the rules look at it.
struct Line {
  std::string_view whole;    // as written
  std::string_view lead;     // without its leading spaces
  std::string_view trimmed;  // without leading and trailing spaces
};

// What the split knows between two lines.
struct Split {
  Split(ManualModel& m, const std::string& library, PieceFiles f)
      : model(m), library_name(library), files(std::move(f)) {}

  ManualModel& model;
  const std::string& library_name;
  PieceFiles files;
  Slot current_txt, description_txt, code_cod, target_ex, target_exd, resident, current_cod;
  std::string current_name;      // the entry that body lines and examples go to
  std::string code_name;         // the command whose code is being collected
  std::string description_name;  // the name of the last description line
  bool example_block = false;
  std::string scratch;

  // The file for stem + ext, or null for a stem that must never become a
  // file name (the line is then lost, as for a file that cannot be opened).
  PieceFile* file(Slot& slot, std::string_view stem, std::string_view ext) {
    if (slot.valid && slot.name.size() == stem.size() + ext.size() &&
        std::string_view(slot.name).substr(0, stem.size()) == stem &&
        std::string_view(slot.name).substr(stem.size()) == ext)
      return slot.file;
    slot.name.assign(stem);
    slot.name += ext;
    slot.valid = true;
    slot.file = is_safe_entry_name(stem) ? &piece_file(files, slot.name) : nullptr;
    return slot.file;
  }

  void append(Slot& slot, std::string_view stem, std::string_view ext, std::string_view line) {
    if (PieceFile* f = file(slot, stem, ext)) piece_append(*f, slot.name, line);
  }

  // Examples belong to the current entry, or to the description name's
  // entry when there is none.
  const std::string& example_target() const { return current_name.empty() ? description_name : current_name; }
};

// Library version: the value and the version file, both replaced by a later
// version line.
void take_version(Split& s, const Line& line) {
  s.model.library_version = version_of(line.whole);
  std::string name = s.library_name + ".ver";
  std::string content = s.library_name + "\r\n" + s.model.library_version + "\r\n";
  piece_replace(piece_file(s.files, name), name, content);
}

// Description line: text for the named entry, and a text-only entry when the
// name is new.
void take_description(Split& s, const Line& line) {
  std::string_view r = drop(line.trimmed, 3);
  size_t space = r.find(' ');
  s.description_name = std::string(space == std::string_view::npos ? r : r.substr(0, space));
  s.append(s.description_txt, s.description_name, ".txt", drop(r, s.description_name.size() + 1));
  if (!find_procedure(s.model.table, s.model.cursor, s.description_name)) {
    append_record(s.model.table, s.model.cursor, ProcedureRecord{EntryKind::kTextOnly, "", s.description_name, "", ""});
    s.current_name.clear();
  }
}

// Page marker: a page entry under the current description name.
void start_page(Split& s, const Line& line) {
  s.current_name = std::string(left(drop(line.trimmed, 4), kMaxTitle));
  append_record(s.model.table, s.model.cursor, ProcedureRecord{EntryKind::kPage, "", s.current_name, "", ""});
  register_contents_entry(s.model.contents, s.description_name, s.current_name);
}

// Exported-procedure header: starts a command's entry and its code.
void start_command(Split& s, const Line& line) {
  ++s.model.exported_count;
  ExportHeader h;
  parse_export_header(line.whole, &h);
  s.current_name = h.name;
  s.code_name = h.name;
  append_record(s.model.table, s.model.cursor,
                ProcedureRecord{EntryKind::kExportedProcedure, std::move(h.return_suffix), std::move(h.name),
                                std::move(h.parameters), std::move(h.description)});
  register_contents_entry(s.model.contents, s.description_name, s.current_name);
}

// Code collection, from the header through its bare "EndProcedure".
void collect_code(Split& s, const Line& line) {
  if (!s.code_name.empty()) s.append(s.code_cod, s.code_name, ".cod", line.whole);
}

void end_code(Split& s, const Line&) { s.code_name.clear(); }

void collect_text(Split& s, const Line& line) { s.append(s.current_txt, s.current_name, ".txt", line.whole); }

void collect_resident(Split& s, const Line& line) { s.append(s.resident, "Resident", ".pb", line.whole); }

// Example code: the line without its first ";" and then one leading space,
// up to the block's closing ";}".
void continue_example(Split& s, const Line& line) {
  if (!s.example_block) return;
  if (line.trimmed == ";}") {
    s.example_block = false;
    return;
  }
  size_t semi = line.whole.find(';');
  s.scratch.assign(line.whole);
  if (semi != std::string_view::npos) s.scratch.erase(semi, 1);
  std::string_view e = s.scratch;
  if (!e.empty() && e[0] == ' ') e.remove_prefix(1);
  s.append(s.target_ex, s.example_target(), ".ex", e);
}

// Example block start, with its title: the text from the first space on.
void start_example(Split& s, const Line& line) {
  s.example_block = true;
  std::string_view x = drop(line.trimmed, 4);
  size_t space = x.find(' ');
  if (space != std::string_view::npos) x = x.substr(space);
  x = strip_leading_spaces(left(x, kMaxTitle));
  s.append(s.target_exd, s.example_target(), ".exd", x);
}

// No-source switch: drops the code collected for the current entry so far.
void drop_code(Split& s, const Line&) {
  if (PieceFile* f = s.file(s.current_cod, s.current_name, ".cod")) piece_delete(s.files, *f);
}

enum class Match {
  kStart,              // the line, after its leading spaces, starts with the marker
  kStartIgnoringCase,  // the same in any letter case
  kNotStart,           // the line does not start so
  kWholeIgnoringCase,  // the line, without spaces around it, is the marker in any letter case
  kEndIgnoringCase,    // the line, without trailing spaces, ends with the marker in any letter case
  kEveryLine,
};

struct MarkerRule {
  Match match;
  std::string_view marker;  // lower case where the letter case is ignored
  void (*apply)(Split&, const Line&);
};

// Every rule that matches a line applies, in this order: a header line is
// also code, a resident declaration also code or text, the line that opens
// an example is not yet part of it, and a no-source line drops the code
// only after it has been collected.
constexpr MarkerRule kMarkerRules[] = {
    {Match::kStart, "#LIBRARY_VERSION", take_version},
    {Match::kStart, ";->", take_description},
    {Match::kStart, ";{//", start_page},
    {Match::kStartIgnoringCase, "proceduredll", start_command},
    {Match::kNotStart, ";//", collect_code},
    {Match::kWholeIgnoringCase, "endprocedure", end_code},
    {Match::kStart, ";//", collect_text},
    {Match::kEndIgnoringCase, ";//resident", collect_resident},
    {Match::kEveryLine, "", continue_example},
    {Match::kStart, ";{/*", start_example},
    {Match::kStartIgnoringCase, ";/nosource", drop_code},
};

bool matches(const MarkerRule& rule, const Line& line) {
  switch (rule.match) {
    case Match::kStart:
      return left(line.lead, rule.marker.size()) == rule.marker;
    case Match::kStartIgnoringCase:
      return starts_with_ignoring_case(line.lead, rule.marker);
    case Match::kNotStart:
      return left(line.lead, rule.marker.size()) != rule.marker;
    case Match::kWholeIgnoringCase:
      return equals_ignoring_case(line.trimmed, rule.marker);
    case Match::kEndIgnoringCase:
      return ends_with_ignoring_case(line.trimmed, rule.marker);
    case Match::kEveryLine:
      return true;
  }
  return false;
}

// The register goes on from a "chm.ini" the include folder brought.
void take_brought_register(const WorkFiles& brought, ManualModel& model) {
  const std::string key = piece_key("chm.ini", model.entries.fold_case);
  for (const WorkFile& f : brought)
    if (piece_key(f.name, model.entries.fold_case) == key) model.contents = parse_contents_register(f.content);
}

}  // namespace

void split_source(platform::FileSystem& fs, const std::string& source_path, const std::string& work_folder,
                  const std::string& library_name, const WorkFiles& brought, ManualModel& model) {
  std::string bytes;
  model.lines.lines.clear();
  if (fs.read_file(source_path, bytes)) model.lines.lines = split_lines(bytes);
  bytes = std::string();
  model.lines.current = static_cast<std::ptrdiff_t>(model.lines.lines.size()) - 1;
  model.entries = ManualEntries{fs.names_fold_case(), {}};
  model.resident_declarations.reset();
  model.contents = ContentsRegister{};
  take_brought_register(brought, model);

  Split s(model, library_name, make_piece_files(fs, work_folder, brought));
  for (const std::string& text : model.lines.lines) {
    const std::string_view lead = strip_leading_spaces(text);
    const Line line{text, lead, strip_trailing_spaces(lead)};
    for (const MarkerRule& rule : kMarkerRules)
      if (matches(rule, line)) rule.apply(s, line);
  }

  take_work_files(model, write_piece_files(s.files));
  if (model.contents.changed) write_contents_register(fs, work_folder, model.contents);
}

}  // namespace lh
