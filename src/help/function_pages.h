// The manual's pages: one HTML page per record of the procedure table, the
// warning image, and the warning markers of string-returning commands.
#pragma once

#include <string>

#include "help/colouring.h"
#include "source/piece_files.h"
#include "source/procedure_table.h"

namespace lh {

// Writes "Warning.gif" into the work folder, and an empty "<name>.warn" for
// each string-returning command that takes a string parameter.
void prepare_warnings(const std::string& work_folder, const ProcedureTable& table);

// Writes "<name>.html" for every record, from the head of the table,
// colouring each example and source through `highlighter`. Piece files found
// in `known` are taken from there instead of being read back from the folder
// (which must hold them as they are there).
void write_function_pages(const std::string& work_folder, const ProcedureTable& table,
                          const Highlighter& highlighter, const PieceContents* known = nullptr);

}  // namespace lh
