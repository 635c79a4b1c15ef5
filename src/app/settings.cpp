// Reading and rewriting the settings file. Only ungrouped keys belong to
// the program; every other line it read is written back.
#include "app/settings.h"

#include "base/ascii.h"
#include "pipeline/app_state.h"
#include "platform/file_system.h"
#include "platform/files.h"

namespace lh {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim_left(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view trim_right(std::string_view s) {
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

SettingsLine parse_line(std::string_view line) {
  SettingsLine out;
  if (line[0] == ';') {
    out.kind = SettingsLine::kComment;
    out.text = std::string(trim_left(line.substr(1)));
    return out;
  }
  if (line[0] == '[') {
    out.kind = SettingsLine::kGroup;
    std::size_t close = line.find(']');
    if (close != std::string_view::npos && trim_right(line).size() == close + 1) {
      out.text = std::string(line.substr(1, close - 1));
    } else {
      out.text = std::string(trim_right(line));
      out.verbatim = true;
    }
    return out;
  }
  std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) {
    out.kind = SettingsLine::kOther;
    out.text = std::string(line);
    return out;
  }
  out.kind = SettingsLine::kKey;
  out.key = std::string(trim_right(line.substr(0, eq)));
  out.value = std::string(trim_right(trim_left(line.substr(eq + 1))));
  return out;
}

// Index just past the ungrouped part: the first group line, or the end.
std::size_t ungrouped_end(const SettingsFile& file) {
  for (std::size_t i = 0; i < file.lines.size(); ++i) {
    if (file.lines[i].kind == SettingsLine::kGroup) return i;
  }
  return file.lines.size();
}

}  // namespace

SettingsFile parse_settings(std::string_view contents) {
  SettingsFile file;
  if (contents.substr(0, kBom.size()) == kBom) {
    file.utf8_bom = true;
    contents.remove_prefix(kBom.size());
  }
  std::size_t i = 0;
  while (i < contents.size()) {
    std::size_t end = contents.find_first_of("\r\n", i);
    if (end == std::string_view::npos) end = contents.size();
    std::string_view line = trim_left(contents.substr(i, end - i));
    if (!trim_right(line).empty()) file.lines.push_back(parse_line(line));
    i = end;
    if (i < contents.size() && contents[i] == '\r') ++i;
    if (i < contents.size() && contents[i] == '\n') ++i;
  }
  return file;
}

SettingsFile read_settings_file(const std::string& path) {
  std::string contents;
  if (!platform::read_file(path, contents)) return {};
  return parse_settings(contents);
}

std::string settings_value(const SettingsFile& file, std::string_view key) {
  const std::size_t end = ungrouped_end(file);
  for (std::size_t i = 0; i < end; ++i) {
    const SettingsLine& line = file.lines[i];
    if (line.kind == SettingsLine::kKey && equals_ignoring_case(line.key, key)) return line.value;
  }
  return {};
}

void set_settings_value(SettingsFile& file, std::string_view key, const std::string& value) {
  file.changed = true;
  const std::size_t end = ungrouped_end(file);
  for (std::size_t i = 0; i < end; ++i) {
    SettingsLine& line = file.lines[i];
    if (line.kind == SettingsLine::kKey && equals_ignoring_case(line.key, key)) {
      line.value = value;
      return;
    }
  }
  SettingsLine line;
  line.kind = SettingsLine::kKey;
  line.key = std::string(key);
  line.value = value;
  file.lines.insert(file.lines.begin() + static_cast<std::ptrdiff_t>(end), std::move(line));
}

std::string format_settings(const SettingsFile& file) {
  std::string out;
  if (file.utf8_bom) out += kBom;
  for (const SettingsLine& line : file.lines) {
    std::string text;
    switch (line.kind) {
      case SettingsLine::kKey:
        text = line.key + " = " + line.value;
        break;
      case SettingsLine::kComment:
        text = "; " + line.text;
        break;
      case SettingsLine::kGroup:
        text = line.verbatim ? line.text : "[" + line.text + "]";
        break;
      case SettingsLine::kOther:
        text = line.text;
        break;
    }
    // A first line that starts with the mark's bytes (it followed blanks in
    // the file read) would be taken for the mark when read again; a blank
    // before it keeps it a line, since leading blanks are not read.
    if (out.empty() && text.starts_with(kBom)) out += ' ';
    out += text;
    out += "\r\n";
  }
  return out;
}

bool write_settings_file(const std::string& path, const SettingsFile& file, platform::WriteFailure* failure) {
  // Beside the file under a temporary name, then renamed over it: a full
  // disk or a run ended half-way keeps the old settings, never a cut file.
  return platform::write_whole(platform::real_file_system(), path, format_settings(file), failure);
}

void read_settings(AppState& state) {
  SettingsFile file = read_settings_file(state.settings_path);
  state.include_folder = settings_value(file, "PathInclude");
  state.library_source = settings_value(file, "LibrarySource");
}

bool write_settings(const AppState& state, platform::WriteFailure* failure) {
  SettingsFile file = read_settings_file(state.settings_path);
  set_settings_value(file, "PathInclude", state.include_folder);
  set_settings_value(file, "LibrarySource", state.library_source);
  return write_settings_file(state.settings_path, file, failure);
}

}  // namespace lh
