// The highlighting library's file name: the programs carry its image, write
// it into the temporary folder under this name at start-up and load it from
// there for the colouring.
#pragma once

namespace lh {

#ifdef _WIN32
inline constexpr const char kHighlighterLibraryFile[] = "SyntaxHilighting.dll";
#else
inline constexpr const char kHighlighterLibraryFile[] = "SyntaxHilighting.so";
#endif

}  // namespace lh
