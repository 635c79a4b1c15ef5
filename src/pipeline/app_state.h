// The program-wide values that several subsystems read. One instance lives
// for the whole run; the shell fills the first part at start-up and the
// build fills the rest. Folder values always end in their separator.
#pragma once

#include <string>

namespace lh {

struct AppState {
  std::string program_folder;     // folder of the program's own file
  std::string settings_path;      // program folder + base name + ".ini"
  std::string library_source;     // settings key LibrarySource / Source button
  std::string include_folder;     // settings key PathInclude / Include button
  std::string colouring_library;  // temp folder + "SyntaxHilighting.dll" (.so)
  std::string work_folder;        // temp folder + "LibHammer\" ("LibHammer/")
  std::string purebasic_folder;   // from the .pb association, or empty
  std::string library_name;       // set by the build; empty until then
  std::string library_version;    // set by the split; empty until then
  int exported_count = 0;         // exported-procedure headers of the source
  bool build_ran = false;         // a build ran in this run
};

}  // namespace lh
