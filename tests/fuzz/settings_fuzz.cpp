// The settings reader and writer. The input is a settings file as a user or
// another tool may have left it, then the two values the program stores.
// The program's rewrite keeps every line it does not own, in order and with
// the same meaning; the values read back as stored; and reading the
// rewritten file and writing it again changes nothing.
#include "app/settings.h"
#include "base/ascii.h"
#include "fuzz_check.h"

namespace {

// A line as the reader sees it, for comparison.
std::string meaning(const lh::SettingsLine& l) {
  return std::to_string(l.kind) + (l.verbatim ? "v" : "-") + "|" + l.key + "|" + l.value + "|" + l.text;
}

bool owned(const lh::SettingsLine& l, bool grouped, bool& seen_include, bool& seen_source) {
  if (grouped || l.kind != lh::SettingsLine::kKey) return false;
  auto first = [&](const char* key, bool& seen) {
    if (seen || !lh::equals_ignoring_case(l.key, key)) return false;
    return seen = true;
  };
  return first("pathinclude", seen_include) || first("librarysource", seen_source);
}

// The lines the program does not own: everything but the first ungrouped
// PathInclude and LibrarySource keys.
std::vector<std::string> foreign(const lh::SettingsFile& f) {
  std::vector<std::string> out;
  bool grouped = false, include = false, source = false;
  for (const lh::SettingsLine& l : f.lines) {
    grouped = grouped || l.kind == lh::SettingsLine::kGroup;
    if (!owned(l, grouped, include, source)) out.push_back(meaning(l));
  }
  return out;
}

// A folder or file path as the dialogs give it: one line, no outer blanks.
std::string as_path(std::string_view s) {
  std::string out;
  for (char c : s)
    if (c != '\r' && c != '\n') out += c;
  while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
  while (!out.empty() && (out.front() == ' ' || out.front() == '\t')) out.erase(0, 1);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lh::fuzz::Input in(data, size);
  std::string_view contents = in.part('\x01');
  std::string include = as_path(in.part('\x01'));
  std::string source = as_path(in.rest);

  lh::SettingsFile file = lh::parse_settings(contents);
  std::vector<std::string> before = foreign(file);
  lh::set_settings_value(file, "PathInclude", include);
  lh::set_settings_value(file, "LibrarySource", source);
  std::string written = lh::format_settings(file);

  lh::SettingsFile reread = lh::parse_settings(written);
  LH_FUZZ_CHECK(foreign(reread) == before, "a foreign line was lost or changed");
  LH_FUZZ_CHECK(lh::settings_value(reread, "PathInclude") == include, "PathInclude not read back");
  LH_FUZZ_CHECK(lh::settings_value(reread, "LibrarySource") == source, "LibrarySource not read back");
  LH_FUZZ_CHECK(reread.utf8_bom == file.utf8_bom, "byte-order mark changed");
  LH_FUZZ_CHECK(lh::format_settings(reread) == written, "a second rewrite changes the file");
  return 0;
}
