// The manual model: what the split learns from the library source, held in
// memory for every later stage. The pages, the help project, the notes and
// the tweaked source are made from it; the work folder's files are written
// for the outside readers (TailBite, the help compiler, the author) and are
// never read back by a stage of the same build.
//
// An entry's pieces are what the work folder's files under its name hold
// once the split has written them. The files the include folder brought are
// part of that: a brought "Name.txt" is the start of the entry's text and
// the split's lines follow it; a brought "Name.nfo" is the entry's whole
// information table; a brought empty "Name.warn" sets the warning flag. A
// no-source line deletes the code file, a brought part included. Later steps
// add to the model as they add to the files: the notes append to the
// "Compilation" entry's text and replace its code, the warning markers set
// the flag.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "source/contents_register.h"
#include "source/procedure_table.h"

namespace lh {

// One entry's pieces; an empty optional is a file that is not there.
struct ManualEntry {
  std::optional<std::string> text;           // "<name>.txt": body lines
  std::optional<std::string> code;           // "<name>.cod": the procedure's code
  std::optional<std::string> example;        // "<name>.ex": example code
  std::optional<std::string> example_title;  // "<name>.exd": its first line is the title
  std::optional<std::string> information;    // "<name>.nfo": only ever brought
  bool warning = false;                      // "<name>.warn" is an empty file
};

// Entries by the name their files bear. Where the file system folds case,
// "Foo" and "foo" are one entry, as their files are one file.
struct ManualEntries {
  bool fold_case = false;
  std::unordered_map<std::string, ManualEntry> by_key;  // by piece_key(name)
};

// The key of a work-folder file name: the name as the file system finds it
// (folded where names fold case).
std::string piece_key(std::string_view name, bool fold_case);

const ManualEntry* find_entry(const ManualEntries& entries, std::string_view name);
ManualEntry& entry_of(ManualEntries& entries, std::string_view name);

// A file of the work folder and its content: one the include folder brought,
// or one the split left.
struct WorkFile {
  std::string name;
  std::string content;
};
using WorkFiles = std::vector<WorkFile>;

struct ManualModel {
  SourceLines lines;     // the library source, one element per line
  ProcedureTable table;  // the records, in table order
  TableCursor cursor;    // where the split, then the "Compilation" page, add records
  ContentsRegister contents;
  ManualEntries entries;
  std::optional<std::string> resident_declarations;  // "Resident.pb"
  std::string library_version;
  int exported_count = 0;
};

// Takes each file that is an entry's piece, or the resident declarations,
// into the model (replacing what it held for that file); other files are
// not the model's.
void take_work_files(ManualModel& model, WorkFiles files);

}  // namespace lh
