// The source splitter: reads the library source once into the source line
// list, creates the procedure table's records, registers pages and commands
// in the contents register, takes the library version and counts the
// exported procedures, and writes the function piece files.
//
// The piece files and the register are kept in memory during the split and
// written once at its end (only a no-source line's deletion is carried out
// when it is met); the files on disk come out byte for byte as if every line
// had been appended to its file as it was met.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "source/contents_register.h"
#include "source/entry_name.h"
#include "source/line_reader.h"
#include "source/piece_files.h"
#include "source/procedure_table.h"

namespace lh {

struct SourceModel {
  SourceLines lines;
  ProcedureTable table;
  std::string library_version;
  int exported_count = 0;
  // The piece files the split wrote whole, as they are on disk, so that the
  // pages need not read them back. A step that writes one of them again
  // must forget it (forget_piece_content).
  PieceContents pieces;
};

// Splits the library source at `source_path` into `model` and `reg`, writing
// the piece files, the version file and (when an entry was registered)
// "chm.ini" into `work_folder` (which ends in its separator). The register
// starts from the work folder's "chm.ini" when one is there. A source that
// cannot be read gives an empty split.
void split_source(const std::string& source_path, const std::string& work_folder,
                  const std::string& library_name, SourceModel& model, ContentsRegister& reg);

// Opens or creates the file, writes `line` and CR LF at its end, closes it.
// Nothing is written when the file cannot be opened.
void append_line(const std::string& path, std::string_view line);

}  // namespace lh
