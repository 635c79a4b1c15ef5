// Splitting a command line into words the way the Microsoft C runtime does,
// so that argument texts built for Windows programs reach POSIX programs as
// the same words.
#include "platform/process.h"

namespace lh::platform {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> split_arguments(std::string_view text) {
  std::vector<std::string> words;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (true) {
    while (i < n && is_blank(text[i])) ++i;
    if (i >= n) break;
    std::string word;
    bool in_quotes = false;
    while (i < n) {
      std::size_t slashes = 0;
      while (i < n && text[i] == '\\') {
        ++slashes;
        ++i;
      }
      if (i < n && text[i] == '"') {
        word.append(slashes / 2, '\\');
        if (slashes % 2 == 1) {
          word += '"';  // an escaped quote
          ++i;
          continue;
        }
        if (in_quotes && i + 1 < n && text[i + 1] == '"') {
          word += '"';  // "" inside a group: one literal quote, still grouped
          i += 2;
          continue;
        }
        in_quotes = !in_quotes;
        ++i;
        continue;
      }
      word.append(slashes, '\\');
      if (i >= n) break;
      if (!in_quotes && is_blank(text[i])) break;
      word += text[i];
      ++i;
    }
    words.push_back(std::move(word));
  }
  return words;
}

std::vector<std::string> split_command_line(std::string_view text) {
  std::vector<std::string> words;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && is_blank(text[i])) ++i;
  if (i >= n) return words;
  // The program word runs to the first blank outside quotes; quotes only
  // group, and backslashes are taken as they are.
  std::string program;
  bool in_quotes = false;
  while (i < n && (in_quotes || !is_blank(text[i]))) {
    if (text[i] == '"') {
      in_quotes = !in_quotes;
    } else {
      program += text[i];
    }
    ++i;
  }
  words.push_back(std::move(program));
  std::vector<std::string> rest = split_arguments(text.substr(i));
  words.insert(words.end(), rest.begin(), rest.end());
  return words;
}

}  // namespace lh::platform
