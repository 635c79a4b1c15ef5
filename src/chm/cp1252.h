// Windows-1252 text (the manual's code page) to UTF-8, which the directory
// of a compiled help file uses for names.
#pragma once

#include <string>
#include <string_view>

namespace lh::chm {

std::string cp1252_to_utf8(std::string_view text);

}  // namespace lh::chm
