#include "chm/help_project_reader.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "base/ascii.h"
#include "chm/fulltext_words.h"
#include "chm/html_scan.h"
#include "platform/file_system.h"
#include "platform/files.h"

namespace lh::chm {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool ends_with_ignoring_case(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && equals_ignoring_case(s.substr(s.size() - suffix.size()), suffix);
}

bool is_page(std::string_view name) {
  return ends_with_ignoring_case(name, ".htm") || ends_with_ignoring_case(name, ".html");
}

bool is_style_sheet(std::string_view name) { return ends_with_ignoring_case(name, ".css"); }

bool is_script(std::string_view name) { return ends_with_ignoring_case(name, ".js"); }

// "*" and "?" as the HTML Help compiler's [FILES] lines take them, letters
// in any case.
bool wildcard_match(std::string_view pattern, std::string_view name) {
  size_t p = 0, n = 0, star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || ascii_lower(pattern[p]) == ascii_lower(name[n]))) {
      ++p, ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// The fields of a [WINDOWS] line after "name=": quoted texts, numbers, and
// one "[l,t,r,b]" group, separated by commas; empty fields kept.
std::vector<std::string> window_fields(std::string_view value) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  int brackets = 0;
  for (const char c : value) {
    if (c == '"') {
      quoted = !quoted;
      continue;
    }
    if (!quoted && c == '[') ++brackets;
    if (!quoted && c == ']') --brackets;
    if (!quoted && brackets == 0 && c == ',') {
      fields.emplace_back();
      continue;
    }
    fields.back() += c;
  }
  return fields;
}

std::optional<uint32_t> window_number(const std::vector<std::string>& fields, size_t i) {
  if (i >= fields.size()) return std::nullopt;
  std::string text(trim(fields[i]));
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const unsigned long v = std::strtoul(text.c_str(), &end, 0);
  if (end == text.c_str()) return std::nullopt;
  return static_cast<uint32_t>(v);
}

WindowDefinition parse_window(std::string_view name, std::string_view value) {
  const std::vector<std::string> f = window_fields(value);
  auto text = [&f](size_t i) { return i < f.size() ? std::string(trim(f[i])) : std::string(); };
  WindowDefinition w;
  w.name = std::string(name);
  w.caption = text(0);
  w.contents_file = text(1);
  w.index_file = text(2);
  w.default_topic = text(3);
  w.home = text(4);
  w.jump1_url = text(5);
  w.jump1_text = text(6);
  w.jump2_url = text(7);
  w.jump2_text = text(8);
  w.properties = window_number(f, 9);
  w.pane_width = window_number(f, 10);
  w.buttons = window_number(f, 11);
  if (std::string rect = text(12); rect.size() > 2 && rect.front() == '[' && rect.back() == ']') {
    std::vector<int32_t> edges;
    for (const std::string& edge : window_fields(std::string_view(rect).substr(1, rect.size() - 2)))
      edges.push_back(static_cast<int32_t>(std::strtol(std::string(trim(edge)).c_str(), nullptr, 0)));
    if (edges.size() == 4) w.rect = edges;
  }
  w.styles = window_number(f, 13);
  w.ex_styles = window_number(f, 14);
  w.show_state = window_number(f, 15);
  w.pane_closed = window_number(f, 16);
  w.tab = window_number(f, 17);
  w.tab_position = window_number(f, 18);
  w.notification_id = window_number(f, 19);
  return w;
}

// "%20" and the like decoded; other bytes unchanged.
std::string percent_decoded(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    auto hex = [](char c) {
      return c >= '0' && c <= '9'                             ? c - '0'
             : ascii_lower(c) >= 'a' && ascii_lower(c) <= 'f' ? ascii_lower(c) - 'a' + 10
                                                              : -1;
    };
    if (s[i] == '%' && i + 2 < s.size() + 0 && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
      out += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// The folder part of a manual name, with its trailing "/" ("" at the top).
std::string_view folder_of(std::string_view name) {
  size_t slash = name.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : name.substr(0, slash + 1);
}

// `reference` as a manual name seen from the file `base`; empty when it
// leads nowhere inside the project: a URL or absolute path, a bare fragment,
// a climb above the project's folder.
std::string resolve(std::string_view base, std::string_view reference) {
  std::string ref(reference);
  size_t cut = ref.find_first_of("#?");
  if (cut != std::string::npos) ref.resize(cut);
  for (char& c : ref)
    if (c == '\\') c = '/';
  if (ref.empty() || ref.front() == '/' || ref.find(':') != std::string::npos) return {};
  std::string joined = std::string(folder_of(base)) + ref;
  std::vector<std::string_view> parts;
  std::string_view rest = joined;
  while (!rest.empty()) {
    size_t slash = rest.find('/');
    std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (parts.empty()) return {};
      parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string out;
  for (std::string_view part : parts) {
    if (!out.empty()) out += '/';
    out += part;
  }
  if (!joined.empty() && joined.back() == '/') return {};  // a folder, not a file
  return out;
}

std::string collapse_blanks(std::string_view s) {
  std::string out;
  bool blank = false;
  for (char c : s) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

uint32_t parse_language(std::string_view value) {
  std::string text(trim(value));
  if (text.empty()) return 0;
  char* end = nullptr;
  unsigned long v = std::strtoul(text.c_str(), &end, 0);  // "0x409 English (United States)"
  return end == text.c_str() ? 0 : static_cast<uint32_t>(v);
}

bool parse_yes(std::string_view value) {
  std::string v = to_lower(trim(value));
  return v == "yes" || v == "1" || v == "true" || v == "on";
}

class Reader {
 public:
  Reader(platform::FileSystem& files, const std::string& hhp_path, HelpProjectReading& out, FileBytes bytes)
      : files_(files), out_(out), bytes_(bytes) {
    size_t slash = hhp_path.find_last_of("/\\");
    root_ = slash == std::string::npos ? std::string() : hhp_path.substr(0, slash + 1);
    project_file_ = slash == std::string::npos ? hhp_path : hhp_path.substr(slash + 1);
  }

  void run(const std::string& text) {
    ProjectOptions options = read_project(text);
    out_.output_path = output_path(options.compiled);
    take_named_files(options);
    take_listed_files(options.listed);
    if (!trim(options.stop_list).empty()) read_stop_list(options.stop_list);
    while (!queue_.empty()) {
      size_t i = queue_.front();
      queue_.pop_front();
      scan(i);
    }
    name_topics();
  }

 private:
  enum Kind { kPlain, kContents, kIndex };

  // What the project file names besides what goes straight into the
  // project: its files are taken only once all its lines are read, since
  // the default window that stands in for a missing option may come later.
  struct ProjectOptions {
    std::vector<std::string> listed;  // the [FILES] lines
    std::string compiled, contents, index, topic, stop_list;
  };

  // Reads the project file's lines: [OPTIONS] into the project and
  // `ProjectOptions`, [WINDOWS] into the project's windows, [FILES] into
  // the list; comments, other sections and lines without "=" are skipped.
  ProjectOptions read_project(const std::string& text) {
    ProjectOptions options;
    std::string section;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find_first_of("\r\n", start);
      if (end == std::string::npos) end = text.size();
      std::string_view line = trim(std::string_view(text).substr(start, end - start));
      start = end + 1;
      if (line.empty() || line.front() == ';') continue;
      if (line.front() == '[' && line.back() == ']') {
        section = to_lower(line.substr(1, line.size() - 2));
        continue;
      }
      if (section == "files") {
        options.listed.emplace_back(line);
        continue;
      }
      size_t eq = line.find('=');
      if (eq == std::string_view::npos) continue;
      if (section == "windows") {
        out_.project.windows.push_back(parse_window(trim(line.substr(0, eq)), trim(line.substr(eq + 1))));
        continue;
      }
      if (section == "options")
        read_option(to_lower(trim(line.substr(0, eq))), std::string(trim(line.substr(eq + 1))), options);
    }
    return options;
  }

  void read_option(const std::string& key, const std::string& value, ProjectOptions& options) {
    ChmProject& p = out_.project;
    if (key == "compiled file")
      options.compiled = value;
    else if (key == "contents file")
      options.contents = value;
    else if (key == "index file")
      options.index = value;
    else if (key == "default topic")
      options.topic = value;
    else if (key == "title")
      p.title = value;
    else if (key == "default font")
      p.default_font = value;
    else if (key == "language")
      p.language = parse_language(value) ? parse_language(value) : p.language;
    else if (key == "full-text search")
      p.full_text_search = parse_yes(value);
    else if (key == "default window")
      p.default_window = value;
    else if (key == "full text search stop list file")
      options.stop_list = value;
    // Other keys (Compatibility, Binary TOC, Binary Index, Display compile
    // progress, Error log file, ...) do not change what the manual holds.
  }

  // Takes the files the options and the windows name, each under its
  // manual name.
  void take_named_files(ProjectOptions& options) {
    ChmProject& p = out_.project;
    // The default window's contents and index stand in for missing options.
    const WindowDefinition* window = default_window(p);
    if (window && options.contents.empty()) options.contents = window->contents_file;
    if (window && options.index.empty()) options.index = window->index_file;
    if (window && options.topic.empty()) options.topic = window->default_topic;
    p.contents_file = take(options.contents, kContents);
    p.index_file = take(options.index, kIndex);
    p.default_topic = take(options.topic, kPlain);
    for (WindowDefinition& w : p.windows) {
      w.contents_file = take(w.contents_file, kContents);
      w.index_file = take(w.index_file, kIndex);
      w.default_topic = take(w.default_topic, kPlain);
      w.home = take(w.home, kPlain);
    }
  }

  // Takes the [FILES] lines' files; a line with "*" or "?" takes every
  // matching file of its folder, in name order, whatever order the folder
  // lists them in.
  void take_listed_files(const std::vector<std::string>& listed) {
    for (const std::string& name : listed) {
      if (name.find_first_of("*?") == std::string::npos) {
        take(name, kPlain);
        continue;
      }
      std::string pattern = name;
      for (char& c : pattern)
        if (c == '\\') c = '/';
      const std::string folder(folder_of(pattern));
      std::vector<std::string> matched;
      for (const platform::FolderEntry& e : files_.list_folder(disk_path(folder)))
        if (!e.is_folder && wildcard_match(std::string_view(pattern).substr(folder.size()), e.name))
          matched.push_back(folder + e.name);
      std::sort(matched.begin(), matched.end());
      for (const std::string& file : matched) take(file, kPlain);
      if (matched.empty()) left_out(name, "no file matches it");
    }
  }

  // Once every file is taken: the missing files only links named, and a
  // title for each page, from its contents entry, else its index entry,
  // else its <title>, else its file name.
  void name_topics() {
    for (const std::string& name : out_.missing)
      if (!named_missing_.count(key_of(name))) out_.linked_missing.push_back(name);
    ChmProject& p = out_.project;
    for (const ChmSourceFile& file : p.files) {
      if (!is_page(file.name)) continue;
      const std::string key = key_of(file.name);
      std::string title = first_of(contents_titles_, key);
      if (title.empty()) title = first_of(index_titles_, key);
      if (title.empty()) title = first_of(page_titles_, key);
      if (title.empty()) title = file.name.substr(file.name.rfind('/') + 1);
      p.topics.push_back(ChmTopic{file.name, title});
    }
  }

  static const WindowDefinition* default_window(const ChmProject& p) {
    for (const WindowDefinition& w : p.windows)
      if (!p.default_window.empty() && equals_ignoring_case(w.name, p.default_window)) return &w;
    return p.windows.empty() ? nullptr : &p.windows.front();
  }

  void left_out(std::string_view name, std::string_view reason) {
    if (left_out_seen_.insert(to_lower(name)).second)
      out_.left_out.push_back(std::string(name) + " (" + std::string(reason) + ")");
  }

  // The stop list: words separated by blanks or line ends, folded as the
  // search index folds them. The list is the compiler's input, not a file
  // of the manual.
  void read_stop_list(const std::string& name) {
    std::string text;
    if (!files_.read_file(disk_path(resolve("", name)), text)) {
      if (missing_seen_.insert(key_of(name)).second) out_.missing.push_back(name);
      return;
    }
    std::string word;
    for (size_t i = 0; i <= text.size(); ++i) {
      const auto c = i < text.size() ? static_cast<unsigned char>(text[i]) : ' ';
      if (is_word_byte(c)) {
        word += static_cast<char>(fold_byte(c));
      } else if (!word.empty()) {
        out_.project.stop_words.push_back(std::move(word));
        word.clear();
      }
    }
  }

  // A manual name as the file system and the viewer both find it: viewers
  // look names up without regard to letter case.
  static std::string key_of(std::string_view name) { return to_lower(platform::folded_name(name)); }

  static std::string first_of(const std::unordered_map<std::string, std::string>& titles, const std::string& key) {
    auto it = titles.find(key);
    return it == titles.end() ? std::string() : it->second;
  }

  std::string disk_path(std::string_view name) const {
    std::string path = root_ + std::string(name);
    if (platform::separator() != '/')
      for (char& c : path)
        if (c == '/') c = platform::separator();
    return path;
  }

  std::string output_path(std::string compiled) const {
    if (compiled.empty()) {
      size_t dot = project_file_.rfind('.');
      return root_ + project_file_.substr(0, dot) + ".chm";
    }
    for (char& c : compiled)
      if (c == '\\' || c == '/') c = platform::separator();
    const bool absolute = compiled.front() == platform::separator() || (compiled.size() > 1 && compiled[1] == ':');
    return absolute ? compiled : root_ + compiled;
  }

  // The spelling on disk of `name` when the file system has it in another
  // letter case only (a case-sensitive one, where a page says "Index.HTML"
  // for "index.html"); empty when there is none.
  std::string other_case(const std::string& name) {
    std::string_view folder = folder_of(name);
    auto [it, added] = listings_.try_emplace(std::string(folder));
    if (added) {
      for (const platform::FolderEntry& e : files_.list_folder(disk_path(folder)))
        if (!e.is_folder) it->second.emplace(to_lower(e.name), e.name);
    }
    auto found = it->second.find(to_lower(name.substr(folder.size())));
    return found == it->second.end() ? std::string() : std::string(folder) + found->second;
  }

  // Takes the file a project option or [FILES] line names (relative to the
  // project's folder) into the manual; its manual name, or empty.
  std::string take(const std::string& option, Kind kind) {
    if (trim(option).empty()) return {};
    return take_reference("", option, kind);
  }

  // Where a reference comes from: the project itself (its options, [FILES],
  // windows, the entries of its contents and index), a link of a page or
  // style sheet, or a plain reading of a script, which may find words that
  // only look like names and is never reported.
  enum Source { kNamed, kLinked, kGuessed };

  // Takes the file that `reference` in the file `base` names; returns its
  // manual name, or empty when it is not (or not to be) in the manual.
  std::string take_reference(std::string_view base, std::string_view reference, Kind kind, Source source = kNamed) {
    const bool quiet = source == kGuessed;
    // The name as written, blanks and all (" Tok.html" and "Tok.html" are
    // two pages), then with character references and "%20" decoded, as a
    // browser reads a link.
    std::string name = resolve(base, reference);
    if (name.empty()) {
      if (!quiet && leads_outside(base, reference)) left_out(reference, "outside the project's folder");
      return {};
    }
    std::string decoded = resolve(base, decode_entities(reference));
    std::string unescaped = percent_decoded(decoded);
    const std::string* candidates[] = {&name, &decoded, &unescaped};
    size_t tried = 0;
    for (const std::string* candidate : candidates) {
      ++tried;
      if (candidate->empty()) continue;
      auto known = index_of_.find(key_of(*candidate));
      if (known != index_of_.end()) return out_.project.files[known->second].name;
      std::string content;
      std::string spelled = *candidate;
      int64_t size = -1;
      if (!load(spelled, content, size)) {
        if (files_.names_fold_case()) continue;
        spelled = other_case(spelled);
        if (spelled.empty() || !load(spelled, content, size)) continue;
        // Known under the disk's spelling already (a link in other letter case).
        if (auto same = index_of_.find(key_of(spelled)); same != index_of_.end()) {
          index_of_.emplace(key_of(*candidate), same->second);
          return out_.project.files[same->second].name;
        }
      }
      const size_t i = out_.project.files.size();
      ChmSourceFile file{spelled, std::move(content)};
      if (bytes_ == FileBytes::kLeftOnDisk) {
        file.disk_path = disk_path(spelled);
        file.disk_size = static_cast<uint64_t>(size);
      }
      out_.project.files.push_back(std::move(file));
      index_of_.emplace(key_of(spelled), i);
      // The spellings tried before this one name no file of their own: they
      // lead here from now on.
      for (size_t k = 0; k < tried; ++k)
        if (!candidates[k]->empty()) index_of_.emplace(key_of(*candidates[k]), i);
      kinds_.push_back(kind);
      if (kind != kPlain || is_page(spelled) || is_style_sheet(spelled) || is_script(spelled)) queue_.push_back(i);
      return spelled;
    }
    if (quiet) return {};
    if (missing_seen_.insert(key_of(unescaped)).second) out_.missing.push_back(unescaped);
    if (source == kNamed) named_missing_.insert(key_of(unescaped));
    return {};
  }

  // True when `reference` is a relative path that climbs above the
  // project's folder (not a URL, an absolute path or a bare fragment).
  static bool leads_outside(std::string_view base, std::string_view reference) {
    std::string ref(reference.substr(0, reference.find_first_of("#?")));
    if (ref.empty() || ref.front() == '/' || ref.front() == '\\' || ref.find(':') != std::string::npos) return false;
    if (ref.back() == '/' || ref.back() == '\\') return false;
    int depth = 0;
    std::string joined = std::string(folder_of(base)) + ref;
    for (char& c : joined)
      if (c == '\\') c = '/';
    size_t start = 0;
    while (start <= joined.size()) {
      size_t slash = joined.find('/', start);
      if (slash == std::string::npos) slash = joined.size();
      std::string_view part = std::string_view(joined).substr(start, slash - start);
      if (part == "..") {
        if (--depth < 0) return true;
      } else if (!part.empty() && part != ".") {
        ++depth;
      }
      start = slash + 1;
    }
    return false;
  }

  // The file's bytes when they are kept in memory; else that it is a file
  // that opens, and its size (a file to scan is read when its turn comes,
  // so that the pages waiting in the queue are not all held at once).
  bool load(const std::string& name, std::string& content, int64_t& size) const {
    const std::string path = disk_path(name);
    if (bytes_ == FileBytes::kInMemory) {
      if (!files_.read_file(path, content)) return false;
      size = static_cast<int64_t>(content.size());
      return true;
    }
    size = files_.file_size(path);
    return size >= 0 && files_.open_input(path) != nullptr;
  }

  void scan(size_t i) {
    const std::string base = out_.project.files[i].name;
    if (is_style_sheet(base) || is_script(base)) return scan_plain(i);
    // Views into the file's bytes stay valid while the file list grows
    // only as long as nothing is added: gather first, take afterwards.
    std::vector<std::string> links;
    std::vector<std::string> style_links;                      // url(...) of <style> elements and style attributes
    std::vector<std::pair<std::string, std::string>> entries;  // sitemap name, local
    std::string title;
    {
      const ChmSourceFile& file = out_.project.files[i];
      std::string on_disk;
      // A file gone since it was found scans as empty; the compiler, which
      // reads it again, names it.
      if (bytes_ == FileBytes::kLeftOnDisk) files_.read_file(file.disk_path, on_disk);
      std::string_view text = bytes_ == FileBytes::kLeftOnDisk ? std::string_view(on_disk) : file.content;
      std::string_view name_in_object;
      size_t title_start = std::string_view::npos;
      size_t style_start = std::string_view::npos;
      bool in_site_properties = false;
      const bool contents_file = kinds_[i] == kContents;
      for_each_html_tag(text, [&](const HtmlTag& tag) {
        const bool is_style = equals_ignoring_case(tag.name, "style");
        if (is_style && !tag.closing) style_start = tag.end;
        if (is_style && tag.closing && style_start != std::string_view::npos && tag.begin > style_start) {
          for (std::string_view ref : style_sheet_references(text.substr(style_start, tag.begin - style_start)))
            style_links.emplace_back(ref);
          style_start = std::string_view::npos;
        }
        const bool is_title = equals_ignoring_case(tag.name, "title");
        if (is_title && !tag.closing && title.empty()) title_start = tag.end;
        if (is_title && tag.closing && title_start != std::string_view::npos && title.empty()) {
          if (tag.begin > title_start)
            title = collapse_blanks(decode_entities(text.substr(title_start, tag.begin - title_start)));
          title_start = std::string_view::npos;
        }
        if (equals_ignoring_case(tag.name, "object")) {
          name_in_object = {};
          const std::string_view* type = tag.attribute("type");
          in_site_properties = !tag.closing && type && equals_ignoring_case(*type, "text/site properties");
        }
        if (!tag.closing && equals_ignoring_case(tag.name, "param")) {
          const std::string_view* key = tag.attribute("name");
          const std::string_view* value = tag.attribute("value");
          if (key && value && in_site_properties && contents_file) site_property(*key, *value);
          if (key && value && equals_ignoring_case(*key, "Name")) name_in_object = *value;
          if (key && value && equals_ignoring_case(*key, "Local"))
            entries.emplace_back(std::string(name_in_object), std::string(*value));
        }
        for (const auto& [key, value] : tag.attributes) {
          if (equals_ignoring_case(key, "href") || equals_ignoring_case(key, "src")) links.emplace_back(value);
          if (equals_ignoring_case(key, "style"))
            for (std::string_view ref : style_sheet_references(value)) style_links.emplace_back(ref);
        }
      });
    }
    const Kind kind = kinds_[i];
    if (!title.empty()) page_titles_.emplace(key_of(base), title);
    for (const auto& [entry_name, local] : entries) {
      std::string target = take_reference(base, local, kPlain, kind == kPlain ? kLinked : kNamed);
      std::string entry_title = collapse_blanks(decode_entities(entry_name));
      if (target.empty() || entry_title.empty()) continue;
      if (kind == kContents) contents_titles_.emplace(key_of(target), entry_title);
      if (kind == kIndex) index_titles_.emplace(key_of(target), entry_title);
    }
    for (const std::string& link : links) take_reference(base, link, kPlain, kind == kPlain ? kLinked : kNamed);
    for (const std::string& link : style_links) take_reference(base, decode_entities(link), kPlain, kLinked);
  }

  // A style sheet's url(...) and @import files, each reported when missing;
  // a script's string literals that name a file beside it or in the
  // project's folder (where a page that loads the script looks), taken in
  // quietly.
  void scan_plain(size_t i) {
    const std::string base = out_.project.files[i].name;
    std::vector<std::string> names;
    const ChmSourceFile& file = out_.project.files[i];
    std::string on_disk;
    // As for a page: a file gone since it was found scans as empty.
    if (bytes_ == FileBytes::kLeftOnDisk) files_.read_file(file.disk_path, on_disk);
    const std::string_view text = bytes_ == FileBytes::kLeftOnDisk ? std::string_view(on_disk) : file.content;
    if (is_style_sheet(base)) {
      for (std::string_view ref : style_sheet_references(text)) names.emplace_back(ref);
      for (const std::string& name : names) take_reference(base, name, kPlain, kLinked);
      return;
    }
    for (std::string_view ref : script_file_names(text)) names.emplace_back(ref);
    for (const std::string& name : names)
      if (take_reference(base, name, kPlain, kGuessed).empty()) take_reference("", name, kPlain, kGuessed);
  }

  void site_property(std::string_view key, std::string_view value) {
    SiteProperties& site = out_.project.site;
    const std::string text = decode_entities(value);
    auto number = [&text]() -> std::optional<uint32_t> {
      char* end = nullptr;
      const unsigned long v = std::strtoul(text.c_str(), &end, 0);
      return end == text.c_str() ? std::nullopt : std::optional<uint32_t>(static_cast<uint32_t>(v));
    };
    if (equals_ignoring_case(key, "ImageType"))
      site.folder_images = equals_ignoring_case(text, "Folder");
    else if (equals_ignoring_case(key, "ImageList"))
      site.image_list = text;
    else if (equals_ignoring_case(key, "Font"))
      site.font = text;
    else if (equals_ignoring_case(key, "FrameName"))
      site.frame_name = text;
    else if (equals_ignoring_case(key, "WindowName"))
      site.window_name = text;
    else if (equals_ignoring_case(key, "BackGround"))
      site.background = number();
    else if (equals_ignoring_case(key, "ForeGround"))
      site.foreground = number();
    else if (equals_ignoring_case(key, "Window Styles"))
      site.window_styles = number();
    else if (equals_ignoring_case(key, "ExWindow Styles"))
      site.ex_window_styles = number();
  }

  platform::FileSystem& files_;
  HelpProjectReading& out_;
  FileBytes bytes_;
  std::string root_;          // the project's folder, with its separator; empty for the current one
  std::string project_file_;  // the project's file name
  std::unordered_map<std::string, size_t> index_of_;  // key_of(name) -> position in files
  std::vector<Kind> kinds_;                           // parallel to files
  std::deque<size_t> queue_;                          // files still to scan for references
  std::unordered_set<std::string> missing_seen_, left_out_seen_;
  std::unordered_set<std::string> named_missing_;  // keys of missing files the project itself names
  std::unordered_map<std::string, std::string> contents_titles_, index_titles_, page_titles_;
  std::unordered_map<std::string, std::unordered_map<std::string, std::string>> listings_;
};

}  // namespace

bool read_help_project(platform::FileSystem& files, const std::string& hhp_path, HelpProjectReading& reading,
                       FileBytes bytes) {
  reading = HelpProjectReading();
  std::string text;
  if (!files.read_file(hhp_path, text)) return false;
  Reader(files, hhp_path, reading, bytes).run(text);
  return true;
}

}  // namespace lh::chm
