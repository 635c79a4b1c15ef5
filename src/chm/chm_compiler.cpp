#include "chm/chm_compiler.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

#include "chm/chm_bytes.h"
#include "chm/compressed_section.h"
#include "chm/cp1252.h"
#include "chm/directory.h"
#include "chm/fulltext.h"
#include "chm/system_files.h"

namespace lh::chm {
namespace {

// Frames (32 KB each) between resets of the compressor: a reader that
// wants a page decodes from the reset point before it.
constexpr unsigned kResetIntervalFrames = 2;
constexpr size_t kMaxSourceNameBytes = 255;

constexpr Guid kItsfGuid1 = {0x7C01FD10, 0x7BAA, 0x11D0, {0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC}};
constexpr Guid kItsfGuid2 = {0x7C01FD11, 0x7BAA, 0x11D0, {0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC}};
constexpr uint32_t kItsfHeaderSize = 0x60;
constexpr uint32_t kHeaderSection0Size = 0x18;

void check_name(const std::string& name) {
  const char* problem = name.empty()                              ? "an empty file name"
                        : name.size() > kMaxSourceNameBytes       ? "a file name longer than 255 bytes"
                        : name.find('\0') != std::string::npos    ? "a file name with a NUL byte"
                                                                  : nullptr;
  if (problem) throw std::invalid_argument(std::string("CHM compiler: ") + problem + ": \"" + name + "\"");
}

// A stand-in for the compile time that follows the project: its files'
// names and sizes and its topics, folded into a time between 2000 and 2030.
uint32_t project_time(const ChmProject& p) {
  uint64_t h = 0xCBF29CE484222325ull;
  auto mix = [&h](std::string_view s) {
    for (const char c : s) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    h = (h ^ 0xFF) * 0x100000001B3ull;
  };
  for (const ChmSourceFile& f : p.files) {
    mix(f.name);
    mix(std::to_string(f.content.size()));
  }
  for (const ChmTopic& t : p.topics) mix(t.title);
  mix(p.title);
  constexpr uint32_t kYear2000 = 946684800;
  constexpr uint32_t kThirtyYears = 30u * 365 * 86400;
  return kYear2000 + static_cast<uint32_t>(h % kThirtyYears);
}

// A name as the directory compares it: ASCII letters in lower case.
std::string fold_name(std::string_view name) {
  std::string folded(name);
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return folded;
}

// The $FIftiMain search index over the project's topics, each page found
// by its name as the directory finds it (the first of names equal but for
// case); a topic naming no file has no words.
std::string full_text_index(const ChmProject& project) {
  std::unordered_map<std::string, std::string_view> content;
  for (const ChmSourceFile& f : project.files) content.emplace(fold_name(f.name), f.content);
  std::vector<FulltextDocument> documents;
  documents.reserve(project.topics.size());
  for (size_t i = 0; i < project.topics.size(); ++i)
    if (auto it = content.find(fold_name(project.topics[i].file)); it != content.end())
      documents.push_back({static_cast<uint32_t>(i), it->second});
  return build_fulltext_index(documents, project.language);
}

// One entry per name, the first of names equal but for case; entries are
// sorted for the directory.
void sort_and_drop_duplicates(std::vector<DirectoryEntry>& entries) {
  std::stable_sort(entries.begin(), entries.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
    return directory_compare(a.name, b.name) < 0;
  });
  entries.erase(std::unique(entries.begin(), entries.end(),
                            [](const DirectoryEntry& a, const DirectoryEntry& b) {
                              return directory_compare(a.name, b.name) == 0;
                            }),
                entries.end());
}

}  // namespace

bool full_text_search_available() { return true; }

std::string compile_chm(const ChmProject& project) {
  for (const ChmSourceFile& f : project.files) check_name(f.name);
  const uint32_t time = project_time(project);
  const std::string fulltext = project.full_text_search ? full_text_index(project) : std::string();
  const SystemFiles sys = build_system_files(project, time, !fulltext.empty());

  // The format's own files come first so that a project file of the same
  // name (unlikely: "#SYSTEM") is the one dropped.
  const std::vector<std::pair<std::string, const std::string*>> compressed_system = {
      {"/#TOPICS", &sys.topics}, {"/#URLTBL", &sys.urltbl},   {"/#URLSTR", &sys.urlstr},
      {"/#STRINGS", &sys.strings}};
  std::vector<DirectoryEntry> candidates;
  candidates.reserve(project.files.size() + 16);
  for (const auto& [name, data] : compressed_system)
    if (!data->empty()) candidates.push_back({name, 1, 0, data->size()});
  // The search index is stored uncompressed, after #SYSTEM: its bit-packed
  // location codes shrink to about half under LZX, at several times the
  // compression time per byte of the pages (for 20,000 pages, 3.5 MB that
  // took longer to compress than the 60 MB of pages).
  std::vector<DirectoryEntry> section0 = {{"/", 0, 0, 0}, {"/#ITBITS", 0, 0, 0}};
  if (!fulltext.empty()) section0.push_back({"/$FIftiMain", 0, 0, fulltext.size()});
  section0.push_back({"/#SYSTEM", 0, 0, sys.system.size()});
  candidates.insert(candidates.end(), section0.begin(), section0.end());
  const size_t first_project_entry = candidates.size();
  for (const ChmSourceFile& f : project.files) candidates.push_back({"/" + cp1252_to_utf8(f.name), 1, 0, f.content.size()});
  // Which candidates survive: the index into `candidates` rides in `offset`
  // until the layout is known.
  for (size_t i = 0; i < candidates.size(); ++i) candidates[i].offset = i;
  std::vector<DirectoryEntry> entries = candidates;
  sort_and_drop_duplicates(entries);
  std::vector<char> kept(candidates.size(), 0);
  for (const DirectoryEntry& e : entries) kept[e.offset] = 1;

  // The compressed section: the project's files in their order, then the
  // system files, streamed through the compressor.
  std::vector<uint64_t> offset_of(candidates.size(), 0);
  LzxCompressor compressor(kWindowBits, kResetIntervalFrames);
  uint64_t at = 0;
  auto compress = [&](size_t candidate, std::string_view data) {
    if (!kept[candidate]) return;
    offset_of[candidate] = at;
    compressor.write(data);
    at += data.size();
  };
  for (size_t i = 0; i < project.files.size(); ++i) compress(first_project_entry + i, project.files[i].content);
  for (size_t i = 0, c = 0; i < compressed_system.size(); ++i)
    if (!compressed_system[i].second->empty()) compress(c++, *compressed_system[i].second);
  LzxStream stream = compressor.finish();

  // The uncompressed section: #SYSTEM, the compressed section's
  // description, and the compressed stream last.
  std::string section0_head = sys.system;
  const size_t system_candidate = first_project_entry - 1;
  offset_of[system_candidate] = 0;
  if (!fulltext.empty()) {
    offset_of[system_candidate - 1] = section0_head.size();
    section0_head += fulltext;
  }
  for (NamedFile& f : compressed_section_files(stream, kResetIntervalFrames)) {
    entries.push_back({f.name, 0, section0_head.size(), f.data.size()});
    section0_head += f.data;
  }
  entries.push_back({kContentName, 0, section0_head.size(), stream.bytes.size()});
  for (DirectoryEntry& e : entries) {
    if (e.name.front() == ':' ) continue;  // placed above
    e.offset = offset_of[e.offset];
  }
  sort_and_drop_duplicates(entries);
  const std::string directory = build_directory(entries, project.language);

  const uint64_t directory_at = kItsfHeaderSize + kHeaderSection0Size;
  const uint64_t section0_at = directory_at + directory.size();
  const uint64_t file_size = section0_at + section0_head.size() + stream.bytes.size();

  std::string out;
  out.reserve(file_size);
  out += "ITSF";
  put_u32(out, 3);
  put_u32(out, kItsfHeaderSize);
  put_u32(out, 1);
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((time >> shift) & 0xFF));  // big-endian
  put_u32(out, project.language);
  put_guid(out, kItsfGuid1);
  put_guid(out, kItsfGuid2);
  put_u64(out, kItsfHeaderSize);
  put_u64(out, kHeaderSection0Size);
  put_u64(out, directory_at);
  put_u64(out, directory.size());
  put_u64(out, section0_at);
  put_u32(out, 0x1FE);
  put_u32(out, 0);
  put_u64(out, file_size);
  put_u32(out, 0);
  put_u32(out, 0);
  out += directory;
  out += section0_head;
  out += stream.bytes;
  return out;
}

}  // namespace lh::chm
