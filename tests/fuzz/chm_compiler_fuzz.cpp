// Fuzz target of the CHM compiler: a project and its files from the input,
// compiled; the CHM must open in chmlib and give back every file it holds,
// byte for byte, and hold a search index exactly when the project asks for
// search. Links with chmlib (-lchm).
//
// Input: NUL-separated parts. The first is the project text, "Key=Value"
// lines (Title, Default topic, Contents file, Index file, Default Font,
// Language as hex, Full-text search). Each further part is a file: its name
// up to the first LF, then its bytes. Files named *.htm or *.html are
// topics, titled by their first line.
#include <chm_lib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "chm/chm_compiler.h"
#include "chm/cp1252.h"
#include "chm/directory.h"
#include "platform/file_system.h"

namespace {

std::vector<std::string_view> split(std::string_view s, char sep) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == sep) {
      parts.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

std::string first_line(std::string_view s) { return std::string(s.substr(0, s.find('\n'))); }

lh::chm::ChmProject project_from(std::string_view input) {
  lh::chm::ChmProject p;
  const auto parts = split(input, '\0');
  for (const std::string_view line : split(parts[0], '\n')) {
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, eq);
    const std::string value(line.substr(eq + 1));
    if (key == "Title")
      p.title = value;
    else if (key == "Default topic")
      p.default_topic = value;
    else if (key == "Contents file")
      p.contents_file = value;
    else if (key == "Index file")
      p.index_file = value;
    else if (key == "Default Font")
      p.default_font = value;
    else if (key == "Language")
      p.language = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 16));
    else if (key == "Full-text search")
      p.full_text_search = value == "Yes";
  }
  for (size_t i = 1; i < parts.size(); ++i) {
    const size_t lf = parts[i].find('\n');
    lh::chm::ChmSourceFile f;
    f.name = std::string(parts[i].substr(0, lf));
    if (lf != std::string_view::npos) f.content = std::string(parts[i].substr(lf + 1));
    const size_t dot = f.name.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : f.name.substr(dot);
    if (ext == ".htm" || ext == ".html") p.topics.push_back({f.name, first_line(f.content)});
    p.files.push_back(std::move(f));
  }
  return p;
}

// chmlib's readers hold a path in 512 bytes.
bool chmlib_can_name(const std::string& utf8) { return utf8.size() + 1 < 512; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const lh::chm::ChmProject project = project_from(std::string_view(reinterpret_cast<const char*>(data), size));
  std::string chm;
  // A name the format cannot hold is refused, with its name.
  if (!lh::chm::compile_chm(lh::platform::real_file_system(), project, chm)) return 0;
  char path[] = "/tmp/lh-chm-fuzz-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return 0;
  if (write(fd, chm.data(), chm.size()) != static_cast<ssize_t>(chm.size())) std::abort();
  close(fd);
  chmFile* h = chm_open(path);
  if (!h) std::abort();
  std::vector<std::string> seen;
  for (const lh::chm::ChmSourceFile& f : project.files) {
    const std::string name = "/" + lh::chm::directory_name(f.name);
    bool twin = false;  // a later name equal but for case is not stored
    for (const std::string& s : seen) twin = twin || lh::chm::directory_compare(s, name) == 0;
    seen.push_back(name);
    if (twin || !chmlib_can_name(name)) continue;
    chmUnitInfo ui;
    if (chm_resolve_object(h, name.c_str(), &ui) != CHM_RESOLVE_SUCCESS) std::abort();
    if (ui.length != f.content.size()) std::abort();
    std::string back(f.content.size(), '\0');
    if (!back.empty() && chm_retrieve_object(h, &ui, reinterpret_cast<unsigned char*>(back.data()), 0, back.size()) !=
                             static_cast<LONGINT64>(back.size()))
      std::abort();
    if (back != f.content) std::abort();
  }
  // A project with search has its index: the header's signature, and the
  // root node as the last 4 KB node of the file.
  chmUnitInfo fti;
  const bool has_index = chm_resolve_object(h, "/$FIftiMain", &fti) == CHM_RESOLVE_SUCCESS;
  if (has_index != project.full_text_search) std::abort();
  if (has_index) {
    unsigned char header[0x18];
    if (fti.length < 0x400 + 0x1000 || chm_retrieve_object(h, &fti, header, 0, sizeof header) != sizeof header)
      std::abort();
    const uint32_t root = header[0x14] | header[0x15] << 8 | header[0x16] << 16 | uint32_t{header[0x17]} << 24;
    if (header[0] != 0 || header[1] != 0 || header[2] != 0x28 || header[3] != 0 || root + 0x1000 != fti.length)
      std::abort();
  }
  chm_close(h);
  unlink(path);
  return 0;
}
