// The parts of a path, by text alone. Both "\" and "/" end a folder on every
// target: the paths the program handles come from Windows settings and
// command lines as often as from the file system it runs on.
#pragma once

#include <string>
#include <string_view>

namespace lh::platform {

// The folder part with its trailing separator; empty for a bare file name.
std::string folder_part(std::string_view path);

// The file-name part: everything after the last separator.
std::string_view file_name_part(std::string_view path);

// The file-name part up to its first "." ("My.Lib.pb" gives "My"): the
// stem the program names a library, its settings and its packages by.
std::string file_stem(std::string_view path);

}  // namespace lh::platform
