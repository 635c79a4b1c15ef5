// The manual's pages: one HTML page per record of the procedure table, the
// warning image, and the warning markers of string-returning commands.
#pragma once

#include <string>

#include "help/colouring.h"
#include "platform/file_system.h"
#include "source/manual_model.h"

namespace lh {

// Writes "Warning.gif" into the work folder, and an empty "<name>.warn" for
// each string-returning command that takes a string parameter; each marker
// written sets its entry's warning flag.
void prepare_warnings(platform::FileSystem& fs, const std::string& work_folder, const ProcedureTable& table,
                      ManualEntries& entries);

// Writes "<name>.html" for every record, from the head of the table, with
// the pieces of the record's entry and, for a text-only entry, the links of
// its group in `contents`; each example and source is coloured through
// `highlighter` into its coloured file.
void write_function_pages(platform::FileSystem& fs, const std::string& work_folder, const ProcedureTable& table,
                          const ManualEntries& entries, const ContentsRegister& contents,
                          const Highlighter& highlighter);

}  // namespace lh
