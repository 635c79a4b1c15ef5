// Source colouring: a code piece file becomes a ".col" file, the same bytes
// with HTML font tags around the tokens of the coloured classes. The tokens
// come from the highlighting library, loaded once per build.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "highlight/syntax_highlight.h"
#include "platform/dynlib.h"
#include "platform/file_system.h"

namespace lh {

struct Highlighter {
  bool loaded = false;                          // the library could be loaded
  platform::LibraryHandle library = nullptr;    // null for the linked-in tokenizer
  SyntaxHighlightFunction highlight = nullptr;  // null when the export is missing
};

// Loads the library and looks up its export "SyntaxHighlight". A library
// that cannot be loaded gives loaded == false.
Highlighter load_highlighter(const std::string& library_path);
void unload_highlighter(Highlighter& highlighter);

// The tokenizer linked into this program, for tests and measurements.
Highlighter linked_highlighter();

// The coloured file's path: `path` with the extension of its file name
// replaced by ".col" (a name without one gets ".col" appended).
std::string coloured_path(const std::string& path);

// Colours the code piece file at `path` into coloured_path(path), both
// through `fs`. Returns true when the coloured file was written; `coloured`,
// when given, receives its content. Nothing is written when the library is
// not loaded or the input cannot be read; an empty input or a missing export
// gives an empty coloured file.
bool colour_source_file(platform::FileSystem& fs, const Highlighter& highlighter, const std::string& path,
                        std::string* coloured = nullptr);

// What colour_source_file does once it has the file's content `code`: the
// coloured file of `path` is written into `fs` without reading `path`.
bool colour_code_to_file(platform::FileSystem& fs, const Highlighter& highlighter, std::string_view code,
                         const std::string& path, std::string* coloured = nullptr);

// Colours `code` in memory (what colour_source_file writes).
void colour_text(const Highlighter& highlighter, std::string_view code, std::string& out);

// The token function handed to the library: appends the token, wrapped in
// its class's font tag, to the text of the colouring in progress. Returns 0.
int32_t LH_CDECL write_coloured_token(const char* token, int32_t length, int32_t token_class);

}  // namespace lh
