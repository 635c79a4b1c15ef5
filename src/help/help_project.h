// The help project "<library>.hhp", its index "<library>.hhk" and its
// contents "<library>.hhc", from which the help compiler builds the manual.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "source/contents_register.h"
#include "source/procedure_table.h"

namespace lh {

// Writes the three files into the work folder: the index lists the table's
// pages and commands, the contents tree follows the register `contents`.
void write_help_project(platform::FileSystem& fs, const std::string& work_folder, const std::string& library_name,
                        const ProcedureTable& table, const ContentsRegister& contents);

}  // namespace lh
