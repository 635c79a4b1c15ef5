#include "source/call_arguments.h"

namespace lh {
namespace {

// What the whole-line pass keeps for a byte besides a count: a "(" whose
// brackets do not pair up on the line, and a "(" it met inside a string
// literal, where a call found is counted from its own "(" instead.
constexpr int kNoCount = -1;
constexpr int kInsideString = -2;

struct OpenBracket {
  size_t at;
  char closer;
  int commas;
  bool content;  // anything but blanks since the bracket opened
};

// The position after the string literal starting at `at` ('"' or '~'), or
// line.size() + 1 when it does not end on the line.
size_t string_end(std::string_view line, size_t at) {
  bool escapes = line[at] == '~';
  size_t i = at + (escapes ? 2 : 1);
  while (i < line.size() && line[i] != '"') i += escapes && line[i] == '\\' ? 2 : 1;
  return i < line.size() ? i + 1 : line.size() + 1;
}

bool starts_string(std::string_view line, size_t i) {
  return line[i] == '"' || (line[i] == '~' && i + 1 < line.size() && line[i + 1] == '"');
}

// Matches brackets from `from` to the end of the line and reports the count
// of every "(" as it is settled: `settle(at, count)`. With `first_only` it
// stops once the bracket at `from` is settled.
template <typename Settle>
void match_brackets(std::string_view line, size_t from, bool first_only, Settle settle) {
  std::vector<OpenBracket> open;
  auto give_up = [&] {  // every bracket still open stays without a count
    for (const OpenBracket& b : open)
      if (b.closer == ')') settle(b.at, kNoCount);
    open.clear();
  };
  for (size_t i = from; i < line.size();) {
    char c = line[i];
    if (!open.empty() && c != ' ' && c != '\t' && c != ')' && c != ']') open.back().content = true;
    if (starts_string(line, i)) {
      i = string_end(line, i);
      continue;
    }
    if (c == '(' || c == '[') {
      open.push_back({i, c == '(' ? ')' : ']', 0, false});
    } else if ((c == ')' || c == ']') && !open.empty()) {
      if (c != open.back().closer) {
        give_up();
      } else {
        OpenBracket b = open.back();
        open.pop_back();
        if (b.closer == ')') settle(b.at, b.content ? b.commas + 1 : 0);
      }
    } else if (c == ',' && !open.empty()) {
      ++open.back().commas;
    }
    if (first_only && open.empty()) return;
    ++i;
  }
  give_up();
}

}  // namespace

bool count_call_arguments(std::string_view line, size_t open, int& count) {
  int found = kNoCount;
  if (open < line.size() && line[open] == '(')
    match_brackets(line, open, true, [&](size_t at, int n) {
      if (at == open) found = n;
    });
  if (found == kNoCount) return false;
  count = found;
  return true;
}

bool CallArguments::count_at(size_t open, int& count) {
  if (counts_.empty()) {
    counts_.assign(line_.size(), kInsideString);
    match_brackets(line_, 0, false, [&](size_t at, int n) { counts_[at] = n; });
  }
  if (open >= counts_.size() || line_[open] != '(') return false;
  // Inside a string of the whole line the brackets pair up differently than
  // when counting starts at this "(".
  if (counts_[open] == kInsideString) return count_call_arguments(line_, open, count);
  if (counts_[open] == kNoCount) return false;
  count = counts_[open];
  return true;
}

}  // namespace lh
