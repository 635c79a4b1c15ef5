// A help project compiled by the built-in compiler: the project read, the
// manual compiled and written where its "Compiled file=" says.
#pragma once

#include <string>
#include <vector>

namespace lh::platform {
class FileSystem;
}

namespace lh::chm {

// What the compilation found; filled as far as it got, also when no manual
// was made.
struct ProjectCompilation {
  std::string output_path;                  // where the manual goes
  std::vector<std::string> missing;         // referenced files that are not there
  std::vector<std::string> linked_missing;  // those of them that only pages link to
  std::vector<std::string> left_out;        // named files the manual cannot hold, each with the reason
  bool with_search = false;                 // the manual has a full-text search index
  size_t files = 0;                         // files in the manual
  size_t topics = 0;                        // pages among them
};

// Reads and compiles the project at `hhp_path`, every file read and written
// through `files`. With `allow_missing` the manual is made without the
// missing files (as the HTML Help compiler does); without it a missing file
// that the project itself names means no manual, while one that only a page
// links to is left out (and named in `missing`). An older manual at the
// output path is removed first, so it never passes for this one. False,
// with the reason in `error`, when no manual was written.
bool compile_help_project(platform::FileSystem& files, const std::string& hhp_path, bool allow_missing,
                          ProjectCompilation& result, std::string* error = nullptr);

// The missing files as one line: "a.html, b.gif and 3 more" (at most
// `shown` names).
std::string missing_files_text(const std::vector<std::string>& missing, size_t shown = 10);

}  // namespace lh::chm
