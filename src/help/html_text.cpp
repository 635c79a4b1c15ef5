#include "help/html_text.h"

namespace lh {

namespace {

void append_escaped(std::string& out, std::string_view line) {
  size_t from = 0;
  for (size_t at = line.find("<>"); at != std::string_view::npos; at = line.find("<>", from)) {
    out.append(line, from, at - from);
    out.append("&lt;&gt;");
    from = at + 2;
  }
  out.append(line, from, std::string_view::npos);
}

}  // namespace

std::string escape_not_equal(std::string_view line) {
  std::string out;
  out.reserve(line.size());
  append_escaped(out, line);
  return out;
}

void append_markup_escaped(std::string& out, std::string_view text) {
  for (const char c : text) {
    if (c == '&')
      out.append("&amp;");
    else if (c == '<')
      out.append("&lt;");
    else if (c == '>')
      out.append("&gt;");
    else
      out.push_back(c);
  }
}

void put_escaped_line(std::string& out, std::string_view line) {
  append_escaped(out, line);
  out.append("\r\n");
}

}  // namespace lh
