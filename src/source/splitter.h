// The source splitter: reads the library source once into the manual model.
// It fills the source line list and the procedure table, registers pages
// and commands in the contents register, takes the library version and
// counts the exported procedures; each entry's pieces (text, code, example
// and its title) and the resident declarations are collected from the
// marker lines.
//
// The same pieces are written to the work folder for the outside readers:
// "<name>.txt", ".cod", ".ex", ".exd", "Resident.pb", "<library>.ver" and,
// when an entry was registered, "chm.ini". A line goes to the end of its
// file, after what the include folder brought; a no-source line deletes the
// current entry's code file where it stands (see piece_files.h). The model
// holds each piece as its file holds it once the split is done.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "source/manual_model.h"

namespace lh {

// Splits the library source at `source_path` into `model`, writing the
// files named above into `work_folder` (which ends in its separator).
// `brought` is every file the work folder held before (what the include
// folder brought): a brought "chm.ini" is where the register starts, and
// brought pieces are the start of their entries' pieces. A source that
// cannot be read gives an empty split.
void split_source(platform::FileSystem& fs, const std::string& source_path, const std::string& work_folder,
                  const std::string& library_name, const WorkFiles& brought, ManualModel& model);

}  // namespace lh
