// The words of the PureBasic language, as its public keyword list gives them.
#pragma once

#include <cstddef>

namespace lh::highlight {

// True when the `length` bytes at `name` spell a keyword in any letter case.
bool is_keyword(const char* name, std::size_t length);

}  // namespace lh::highlight
