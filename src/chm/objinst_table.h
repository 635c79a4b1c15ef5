// The Windows-1252 character table that $OBJINST hands to the viewer's
// full-text search.
#pragma once

#include <string_view>

namespace lh::chm {

extern const std::string_view kWindows1252SortTable;

}  // namespace lh::chm
