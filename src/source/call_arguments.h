// How many arguments a call passes, read from the text of its line.
//
// A call's arguments run from its "(" to the matching ")" on the same line:
// the commas at the top level plus one, or none when only blanks stand
// between the brackets. String literals "..." and ~"..." (only the latter
// knows backslash escapes) and nested () and [] are stepped over. A call
// whose ")" is not on the line, or whose brackets do not pair up there, has
// no count.
#pragma once

#include <string_view>
#include <vector>

namespace lh {

// The count of the call whose "(" stands at `open` into `count`, scanning
// from there as if the line began at it. False when the call has no count.
bool count_call_arguments(std::string_view line, size_t open, int& count);

// The counts of every call of one line. The first question matches the
// brackets of the whole line in one pass, so a line with many calls, nested
// or not, is read a bounded number of times.
class CallArguments {
 public:
  explicit CallArguments(std::string_view line) : line_(line) {}
  bool count_at(size_t open, int& count);  // as count_call_arguments(line, open, count)

 private:
  std::string_view line_;
  std::vector<int> counts_;  // per byte (negative: none here); empty until the first question
};

}  // namespace lh
