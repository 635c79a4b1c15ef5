#include "help/colouring.h"

#include <string_view>

#include "platform/dynlib.h"

namespace lh {
namespace {

// Opening tags by token class; null for the classes written without a tag.
constexpr std::string_view kOpeningTag[13] = {
    {},                      // 0 text
    {},                      // 1 keyword
    "<font color=#0000FF>",  // 2 comment
    {},                      // 3 constant
    "<font color=#00AAAA>",  // 4 string
    "<font color=#924B72>",  // 5 call
    "<font color=#808080>",  // 6 inline assembly
    "<font color=#006666>",  // 7 operator
    "<font color=#AD0000>",  // 8 structure, field
    {},                      // 9 number
    "<font color=#000080>",  // 10 address, pointer
    "<font color=#0000FF>",  // 11 separator
    "<font color=#0000FA>",  // 12 label
};
constexpr std::string_view kClosingTag = "</font>";

// The text of the colouring in progress: the token function has no context
// argument, so it finds its output here (one colouring at a time).
std::string* g_output = nullptr;

}  // namespace

Highlighter load_highlighter(const std::string& library_path) {
  Highlighter h;
  h.library = platform::load_library(library_path);
  if (!h.library) return h;
  h.loaded = true;
  h.highlight = reinterpret_cast<SyntaxHighlightFunction>(platform::find_export(h.library, "SyntaxHighlight"));
  return h;
}

void unload_highlighter(Highlighter& highlighter) {
  if (highlighter.library) platform::unload_library(highlighter.library);
  highlighter = Highlighter{};
}

Highlighter linked_highlighter() { return Highlighter{true, nullptr, &SyntaxHighlight}; }

std::string coloured_path(const std::string& path) {
  size_t name_start = path.find_last_of("/\\");
  name_start = name_start == std::string::npos ? 0 : name_start + 1;
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < name_start) dot = path.size();
  return path.substr(0, dot) + ".col";
}

int32_t LH_CDECL write_coloured_token(const char* token, int32_t length, int32_t token_class) {
  if (!g_output || length <= 0) return 0;
  std::string_view tag = token_class >= 0 && token_class <= 12 ? kOpeningTag[token_class] : std::string_view();
  if (tag.empty()) {
    g_output->append(token, static_cast<size_t>(length));
  } else {
    g_output->append(tag);
    g_output->append(token, static_cast<size_t>(length));
    g_output->append(kClosingTag);
  }
  return 0;
}

void colour_text(const Highlighter& highlighter, std::string_view code, std::string& out) {
  out.clear();
  if (!highlighter.highlight || code.empty()) return;
  out.reserve(code.size() * 3);
  g_output = &out;
  highlighter.highlight(code.data(), static_cast<int32_t>(code.size()), &write_coloured_token, 0);
  g_output = nullptr;
}

bool colour_source_file(platform::FileSystem& fs, const Highlighter& highlighter, const std::string& path,
                        std::string* coloured) {
  if (coloured) coloured->clear();
  if (!highlighter.loaded) return false;  // before reading: nothing to colour with
  std::string code;
  if (!fs.read_file(path, code)) return false;
  return colour_code_to_file(fs, highlighter, code, path, coloured);
}

bool colour_code_to_file(platform::FileSystem& fs, const Highlighter& highlighter, std::string_view code,
                         const std::string& path, std::string* coloured) {
  if (coloured) coloured->clear();
  if (!highlighter.loaded) return false;
  std::string local;
  std::string& out = coloured ? *coloured : local;
  colour_text(highlighter, code, out);
  if (fs.write_file(coloured_path(path), out)) return true;
  out.clear();
  return false;
}

}  // namespace lh
