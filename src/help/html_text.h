// Text rules of the help files: every written line ends in CR LF, and page
// text escapes only the pair "<>".
#pragma once

#include <string>
#include <string_view>

namespace lh {

// `line` with every "<>" replaced by "&lt;&gt;", scanning left to right
// without overlap. No other character is escaped.
std::string escape_not_equal(std::string_view line);

// Appends `text` to `out` with "&", "<" and ">" written as "&amp;", "&lt;"
// and "&gt;", so that it reads back as the same text inside an element.
void append_markup_escaped(std::string& out, std::string_view text);

// Appends `line` and CR LF to `out`.
inline void put_line(std::string& out, std::string_view line) {
  out.append(line);
  out.append("\r\n");
}

// Appends escape_not_equal(line) and CR LF to `out`.
void put_escaped_line(std::string& out, std::string_view line);

// Calls f(line) for each line of `text`: lines end at CR LF, a lone CR, a
// lone LF or NUL; a text ending in a line end gives no extra empty line.
template <typename F>
void for_each_line(std::string_view text, F&& f) {
  size_t start = 0, i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '\r' || c == '\n' || c == '\0') {
      f(text.substr(start, i - start));
      ++i;
      if (c == '\r' && i < text.size() && text[i] == '\n') ++i;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) f(text.substr(start));
}

}  // namespace lh
