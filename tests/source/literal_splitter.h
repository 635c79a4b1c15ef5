// The splitter done the plain way, kept as the reference for the in-memory
// one: every line is appended to its file as it is met (the file opened and
// closed each time), the register is read, extended and rewritten for every
// registration, the version file is written at once and a no-source line
// deletes the file on the spot. Slow, but obviously what the rules say.
#pragma once

#include <string>

#include "source/splitter.h"

namespace lh::testing {

void literal_split_source(const std::string& source_path, const std::string& work_folder,
                          const std::string& library_name, ManualModel& model);

}  // namespace lh::testing
