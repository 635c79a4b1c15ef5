#include "source/splitter.h"

#include "platform/files.h"
#include "source/piece_files.h"
#include "source/text.h"

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

struct Split {
  PieceFiles files;
  Slot current_txt, description_txt, code_cod, target_ex, target_exd, resident, current_cod;
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
};

}  // namespace

void append_line(const std::string& path, std::string_view line) {
  std::string data;
  data.reserve(line.size() + 2);
  data += line;
  data += "\r\n";
  platform::append_file(path, data);
}

void split_source(const std::string& source_path, const std::string& work_folder,
                  const std::string& library_name, SourceModel& model, ContentsRegister& reg) {
  std::string bytes;
  model.lines.lines.clear();
  if (platform::read_file(source_path, bytes)) model.lines.lines = split_lines(bytes);
  bytes = std::string();
  model.lines.current = static_cast<std::ptrdiff_t>(model.lines.lines.size()) - 1;

  // The register goes on from the file the include folder may have brought.
  load_contents_register(work_folder, reg);

  Split s;
  s.files = make_piece_files(work_folder, platform::names_fold_case());
  std::string current_name, code_name, description_name;
  bool example_block = false;
  ProcedureTable& table = model.table;

  for (const std::string& line_text : model.lines.lines) {
    const std::string_view l = line_text;
    const std::string_view lt = strip_leading_spaces(l);
    const std::string_view t = strip_trailing_spaces(lt);
    // Examples belong to the current entry, or to the description name's
    // entry when there is none.
    auto target = [&]() -> const std::string& { return current_name.empty() ? description_name : current_name; };

    // Library version: the value and the version file, both replaced by a
    // later version line.
    if (left(lt, 16) == "#LIBRARY_VERSION") {
      model.library_version = version_of(l);
      std::string name = library_name + ".ver";
      std::string content = library_name + "\r\n" + model.library_version + "\r\n";
      piece_replace(piece_file(s.files, name), name, content);
    }

    // Description line: text for the named entry, and a text-only entry when
    // the name is new.
    if (left(lt, 3) == ";->") {
      std::string_view r = drop(t, 3);
      size_t space = r.find(' ');
      description_name = std::string(space == std::string_view::npos ? r : r.substr(0, space));
      std::string_view text = drop(r, description_name.size() + 1);
      s.append(s.description_txt, description_name, ".txt", text);
      if (!find_procedure(table, description_name)) {
        append_record(table, ProcedureRecord{kTextOnlyEntry, "", description_name, "", ""});
        current_name.clear();
      }
    }

    // Page marker: a page entry under the current description name.
    if (left(lt, 4) == ";{//") {
      current_name = std::string(left(drop(t, 4), kMaxTitle));
      append_record(table, ProcedureRecord{kPageEntry, "", current_name, "", ""});
      register_contents_entry(reg, description_name, current_name);
    }

    // Exported-procedure header: starts a command's entry and its code.
    if (starts_with_ignoring_case(lt, "proceduredll")) {
      ++model.exported_count;
      ExportHeader h;
      parse_export_header(l, &h);
      current_name = h.name;
      code_name = h.name;
      append_record(table, ProcedureRecord{kExportedProcedure, std::move(h.return_suffix), std::move(h.name),
                                           std::move(h.parameters), std::move(h.description)});
      register_contents_entry(reg, description_name, current_name);
    }

    const bool doc_line = left(lt, 3) == ";//";

    // Code collection, from the header through its bare "EndProcedure".
    if (!code_name.empty() && !doc_line) s.append(s.code_cod, code_name, ".cod", l);
    if (equals_ignoring_case(t, "endprocedure")) code_name.clear();

    if (doc_line) s.append(s.current_txt, current_name, ".txt", l);

    if (ends_with_ignoring_case(strip_trailing_spaces(l), ";//resident"))
      s.append(s.resident, "Resident", ".pb", l);

    // Example code: the line without its first ";" and then one leading space.
    if (example_block) {
      if (t == ";}") {
        example_block = false;
      } else {
        size_t semi = l.find(';');
        s.scratch.assign(l);
        if (semi != std::string_view::npos) s.scratch.erase(semi, 1);
        std::string_view e = s.scratch;
        if (!e.empty() && e[0] == ' ') e.remove_prefix(1);
        s.append(s.target_ex, target(), ".ex", e);
      }
    }

    // Example block start, with its title: the text from the first space on.
    if (left(lt, 4) == ";{/*") {
      example_block = true;
      std::string_view x = drop(t, 4);
      size_t space = x.find(' ');
      if (space != std::string_view::npos) x = x.substr(space);
      x = strip_leading_spaces(left(x, kMaxTitle));
      s.append(s.target_exd, target(), ".exd", x);
    }

    // No-source switch: drops the code collected for the current entry so far.
    if (starts_with_ignoring_case(lt, ";/nosource")) {
      if (PieceFile* f = s.file(s.current_cod, current_name, ".cod")) piece_delete(s.files, *f);
    }
  }

  model.pieces.clear();
  write_piece_files(s.files, &model.pieces);
  if (reg.changed) write_contents_register(work_folder, reg);
}

}  // namespace lh
