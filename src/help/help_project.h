// The help project "<library>.hhp", its index "<library>.hhk" and its
// contents "<library>.hhc", from which the help compiler builds the manual.
#pragma once

#include <string>

#include "source/procedure_table.h"

namespace lh {

// Writes the three files into the work folder; the contents tree comes from
// the work folder's contents register "chm.ini".
void write_help_project(const std::string& work_folder, const std::string& library_name,
                        const ProcedureTable& table);

}  // namespace lh
