// The settings file: a small INI-style text file beside the program. The
// program owns only ungrouped keys (those before the first group line);
// every other line it read survives a rewrite.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/whole_file.h"

namespace lh {

struct AppState;

struct SettingsLine {
  // kOther: a line without "=" that is neither a comment nor a group; it is
  // written back as it was read, without its leading blanks.
  enum Kind { kKey, kComment, kGroup, kOther } kind = kKey;
  std::string key;    // kKey: text before the first "=", trailing blanks removed
  std::string value;  // kKey: text after it, blanks removed on both sides
  std::string text;   // kComment: text after ";" without leading blanks;
                      // kGroup: name between "[" and "]"; kOther: the line
  // A group line with more than "[name]" on it ("[a] ; b", "[a"): it still
  // opens a group, and is written back as it was read (held in `text`).
  bool verbatim = false;
};

struct SettingsFile {
  bool utf8_bom = false;            // the file began with EF BB BF; kept on rewrite
  std::vector<SettingsLine> lines;  // in file order, blank lines dropped
  bool changed = false;             // a value was set since reading
};

// Parses file contents (lines end in CR LF, LF or CR).
SettingsFile parse_settings(std::string_view contents);

// Reads the file; a missing or unreadable file gives an empty one.
SettingsFile read_settings_file(const std::string& path);

// The value of an ungrouped key (letter case ignored), or empty.
std::string settings_value(const SettingsFile& file, std::string_view key);

// Replaces the value of an ungrouped key in place, or adds the key at the
// end of the ungrouped part.
void set_settings_value(SettingsFile& file, std::string_view key, const std::string& value);

// The rewritten form: "key = value", "; text", "[name]", each with CR LF,
// after the byte-order mark when the file had one.
std::string format_settings(const SettingsFile& file);

// Writes format_settings(file) to path; false when it cannot be written
// (the old file then stays as it was, and `failure` says why).
bool write_settings_file(const std::string& path, const SettingsFile& file, platform::WriteFailure* failure = nullptr);

// Reads PathInclude and LibrarySource from state.settings_path.
void read_settings(AppState& state);

// Stores the include folder and the library source path (PathInclude first).
bool write_settings(const AppState& state, platform::WriteFailure* failure = nullptr);

}  // namespace lh
