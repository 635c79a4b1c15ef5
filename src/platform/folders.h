// Where things are: the temporary folder, the program's own file, the
// current folder and full paths.
#pragma once

#include <cstddef>
#include <string>

namespace lh::platform {

// The user's temporary folder with its trailing separator; on Windows the
// long form of what GetTempPath reports, elsewhere $TMPDIR or /tmp.
std::string temp_folder();

// Full path of the running program's own file.
std::string program_path();

// The current folder with its trailing separator.
std::string current_folder();

// `path` as a full path: a relative one is taken from the current folder
// (GetFullPathNameA on Windows; elsewhere the current folder prepended).
std::string full_path(const std::string& path);

}  // namespace lh::platform
