#include "chm/help_project_reader.h"

#include <cstdlib>
#include <deque>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "chm/html_scan.h"
#include "platform/ascii.h"
#include "platform/file_stream.h"
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
  Reader(const std::string& hhp_path, HelpProjectReading& out, FileBytes bytes) : out_(out), bytes_(bytes) {
    size_t slash = hhp_path.find_last_of("/\\");
    root_ = slash == std::string::npos ? std::string() : hhp_path.substr(0, slash + 1);
    project_file_ = slash == std::string::npos ? hhp_path : hhp_path.substr(slash + 1);
  }

  void run(const std::string& text) {
    std::vector<std::string> listed;
    std::string compiled, contents, index, topic;
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
        listed.emplace_back(line);
        continue;
      }
      if (section != "options") continue;
      size_t eq = line.find('=');
      if (eq == std::string_view::npos) continue;
      std::string key = to_lower(trim(line.substr(0, eq)));
      std::string value(trim(line.substr(eq + 1)));
      ChmProject& p = out_.project;
      if (key == "compiled file")
        compiled = value;
      else if (key == "contents file")
        contents = value;
      else if (key == "index file")
        index = value;
      else if (key == "default topic")
        topic = value;
      else if (key == "title")
        p.title = value;
      else if (key == "default font")
        p.default_font = value;
      else if (key == "language")
        p.language = parse_language(value) ? parse_language(value) : p.language;
      else if (key == "full-text search")
        p.full_text_search = parse_yes(value);
      // Other keys (Compatibility, Binary TOC, Binary Index, Display compile
      // progress, Error log file, ...) do not change what the manual holds.
    }
    out_.output_path = output_path(compiled);

    ChmProject& p = out_.project;
    p.contents_file = take(contents, kContents);
    p.index_file = take(index, kIndex);
    p.default_topic = take(topic, kPlain);
    for (const std::string& name : listed) take(name, kPlain);
    while (!queue_.empty()) {
      size_t i = queue_.front();
      queue_.pop_front();
      scan(i);
    }
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

 private:
  enum Kind { kPlain, kContents, kIndex };

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
      for (const platform::FolderEntry& e : platform::list_folder(disk_path(folder)))
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

  // Takes the file that `reference` in the file `base` names; returns its
  // manual name, or empty when it is not (or not to be) in the manual.
  std::string take_reference(std::string_view base, std::string_view reference, Kind kind) {
    // The name as written (blanks around it may belong to it: the pages of
    // text-only entries start with one), then cleaned up as a browser would.
    std::string name = resolve(base, reference);
    if (name.empty()) return {};
    std::string decoded = decode_entities(name);
    std::string trimmed = resolve(base, trim(decoded));
    std::string unescaped = percent_decoded(trimmed);
    const std::string* candidates[] = {&name, &decoded, &trimmed, &unescaped};
    for (const std::string* candidate : candidates) {
      if (candidate->empty()) continue;
      auto known = index_of_.find(key_of(*candidate));
      if (known != index_of_.end()) return out_.project.files[known->second].name;
    }
    for (const std::string* candidate : candidates) {
      if (candidate->empty()) continue;
      const bool scanned = kind != kPlain || is_page(*candidate);
      std::string content;
      std::string spelled = *candidate;
      int64_t size = -1;
      if (!load(spelled, content, size)) {
        if (platform::names_fold_case()) continue;
        spelled = other_case(spelled);
        if (spelled.empty() || !load(spelled, content, size)) continue;
      }
      const size_t i = out_.project.files.size();
      ChmSourceFile file{spelled, std::move(content)};
      if (bytes_ == FileBytes::kLeftOnDisk) {
        file.disk_path = disk_path(spelled);
        file.disk_size = static_cast<uint64_t>(size);
      }
      out_.project.files.push_back(std::move(file));
      index_of_.emplace(key_of(spelled), i);
      for (const std::string* other : candidates)
        if (!other->empty()) index_of_.emplace(key_of(*other), i);
      kinds_.push_back(kind);
      if (scanned) queue_.push_back(i);
      return spelled;
    }
    if (missing_seen_.insert(key_of(decoded)).second) out_.missing.push_back(decoded);
    return {};
  }

  // The file's bytes when they are kept in memory; else that it is a file
  // that opens, and its size (a file to scan is read when its turn comes,
  // so that the pages waiting in the queue are not all held at once).
  bool load(const std::string& name, std::string& content, int64_t& size) const {
    const std::string path = disk_path(name);
    if (bytes_ == FileBytes::kInMemory) {
      if (!platform::read_file(path, content)) return false;
      size = static_cast<int64_t>(content.size());
      return true;
    }
    size = platform::file_size(path);
    return size >= 0 && platform::InputFile(path).is_open();
  }

  void scan(size_t i) {
    // Views into the file's bytes stay valid while the file list grows
    // only as long as nothing is added: gather first, take afterwards.
    std::vector<std::string> links;
    std::vector<std::pair<std::string, std::string>> entries;  // sitemap name, local
    std::string title;
    {
      const ChmSourceFile& file = out_.project.files[i];
      std::string on_disk;
      // A file gone since it was found scans as empty; the compiler, which
      // reads it again, names it.
      if (bytes_ == FileBytes::kLeftOnDisk) platform::read_file(file.disk_path, on_disk);
      std::string_view text = bytes_ == FileBytes::kLeftOnDisk ? std::string_view(on_disk) : file.content;
      std::string_view name_in_object;
      size_t title_start = std::string_view::npos;
      for_each_html_tag(text, [&](const HtmlTag& tag) {
        const bool is_title = equals_ignoring_case(tag.name, "title");
        if (is_title && !tag.closing && title.empty()) title_start = tag.end;
        if (is_title && tag.closing && title_start != std::string_view::npos && title.empty()) {
          if (tag.begin > title_start)
            title = collapse_blanks(decode_entities(text.substr(title_start, tag.begin - title_start)));
          title_start = std::string_view::npos;
        }
        if (equals_ignoring_case(tag.name, "object")) name_in_object = {};
        if (!tag.closing && equals_ignoring_case(tag.name, "param")) {
          const std::string_view* key = tag.attribute("name");
          const std::string_view* value = tag.attribute("value");
          if (key && value && equals_ignoring_case(*key, "Name")) name_in_object = *value;
          if (key && value && equals_ignoring_case(*key, "Local"))
            entries.emplace_back(std::string(name_in_object), std::string(*value));
        }
        for (const auto& [key, value] : tag.attributes)
          if (equals_ignoring_case(key, "href") || equals_ignoring_case(key, "src")) links.emplace_back(value);
      });
    }
    const std::string base = out_.project.files[i].name;
    const Kind kind = kinds_[i];
    if (!title.empty()) page_titles_.emplace(key_of(base), title);
    for (const auto& [entry_name, local] : entries) {
      std::string target = take_reference(base, local, kPlain);
      std::string entry_title = collapse_blanks(decode_entities(entry_name));
      if (target.empty() || entry_title.empty()) continue;
      if (kind == kContents) contents_titles_.emplace(key_of(target), entry_title);
      if (kind == kIndex) index_titles_.emplace(key_of(target), entry_title);
    }
    for (const std::string& link : links) take_reference(base, link, kPlain);
  }

  HelpProjectReading& out_;
  FileBytes bytes_;
  std::string root_;          // the project's folder, with its separator; empty for the current one
  std::string project_file_;  // the project's file name
  std::unordered_map<std::string, size_t> index_of_;  // key_of(name) -> position in files
  std::vector<Kind> kinds_;                           // parallel to files
  std::deque<size_t> queue_;                          // files still to scan for references
  std::unordered_set<std::string> missing_seen_;
  std::unordered_map<std::string, std::string> contents_titles_, index_titles_, page_titles_;
  std::unordered_map<std::string, std::unordered_map<std::string, std::string>> listings_;
};

}  // namespace

HelpProjectReading read_help_project(const std::string& hhp_path, FileBytes bytes) {
  HelpProjectReading reading;
  std::string text;
  if (!platform::read_file(hhp_path, text)) return reading;
  reading.read = true;
  Reader(hhp_path, reading, bytes).run(text);
  return reading;
}

}  // namespace lh::chm
