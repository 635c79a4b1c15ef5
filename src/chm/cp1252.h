// Windows-1252 text (the manual's code page) to UTF-8, which the directory
// of a compiled help file uses for names.
#pragma once

#include <string>
#include <string_view>

namespace lh::chm {

std::string cp1252_to_utf8(std::string_view text);

// A file name of the manual as the directory stores it: a name that is
// already UTF-8 (as tools that write UTF-8 pages name their files) stays as
// it is; any other is read as Windows-1252.
std::string directory_name(std::string_view name);

}  // namespace lh::chm
