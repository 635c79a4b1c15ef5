// The C runtime's argument splitting, which the POSIX build uses to turn
// the system's command lines into argv. Words from the input (separated by
// byte 1) are joined into one command line and split back unchanged: with
// the C runtime's full quoting for any word, and with the system's own
// forms for paths (which hold no double quote): quoted_argument for an
// argument and command_line_for for the program.
#include "fuzz_check.h"
#include "platform/process.h"
#include "platform/run_program.h"

namespace {

// The inverse of the C runtime's rules: a word between double quotes,
// backslashes doubled before a quote and at the end, quotes escaped.
std::string quote(std::string_view word) {
  std::string out = "\"";
  size_t slashes = 0;
  for (char c : word) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    out.append(c == '"' ? 2 * slashes + 1 : slashes, '\\');
    slashes = 0;
    out += c;
  }
  out.append(2 * slashes, '\\');
  return out + "\"";
}

bool has_quote(std::string_view s) { return s.find('"') != std::string_view::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lh::fuzz::Input in(data, size);
  std::vector<std::string> words;
  while (!in.empty()) words.emplace_back(in.part('\x01'));

  std::string line;
  for (const std::string& w : words) line += (line.empty() ? "" : " ") + quote(w);
  LH_FUZZ_CHECK(lh::platform::split_arguments(line) == words, "quoted words do not split back");

  std::vector<std::string> paths;
  std::string path_line;
  for (const std::string& w : words) {
    if (has_quote(w)) continue;
    paths.push_back(w);
    path_line += (path_line.empty() ? "" : " ") + lh::quoted_argument(w);
  }
  LH_FUZZ_CHECK(lh::platform::split_arguments(path_line) == paths, "quoted paths do not split back");

  // A program path and its arguments, as the run facility forms them.
  if (!paths.empty() && !paths[0].empty()) {
    std::vector<std::string> args(paths.begin() + 1, paths.end());
    std::string arguments;
    for (const std::string& a : args) arguments += (arguments.empty() ? "" : " ") + lh::quoted_argument(a);
    std::vector<std::string> split = lh::platform::split_command_line(lh::command_line_for(paths[0], arguments));
    LH_FUZZ_CHECK(split == paths, "program and arguments do not split back");
  }
  return 0;
}
