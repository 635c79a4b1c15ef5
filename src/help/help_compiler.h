// The help compiler run: the manual "<library>.chm" from the help project
// in the work folder.
#pragma once

#include <string>

#include "shell/run_program.h"

namespace lh {

// The help compiler to run, as it is handed to the run facility: on Windows
// "hhc.exe" when the program search finds it, else the HTML Help Workshop's
// copy under Program Files; elsewhere "hhc" on the search path, else Free
// Pascal's "chmcmd" (same project format). Empty when there is none.
std::string find_help_compiler();

// Runs `compiler` on work folder + library name + ".hhp" (quoted) in the
// work folder as a visible wait run. When no manual comes out, the project
// is compiled once more without full-text search, from a copy of it that is
// removed afterwards: chmcmd's full-text indexer crashes on some page sets.
// Returns a note for the user: empty when the manual came out at once, else
// what happened. With `captured`, the runs' output is captured into it
// (with the last run's exit code) instead of going to the console.
std::string compile_manual(const std::string& work_folder, const std::string& library_name,
                           const std::string& compiler, CapturedRun* captured = nullptr);

// The same with find_help_compiler().
std::string compile_manual(const std::string& work_folder, const std::string& library_name);

// True when `path` holds a compiled help file (its "ITSF" signature).
bool is_compiled_manual(const std::string& path);

}  // namespace lh
