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
// Readers hold a stored name ("/" and the name in UTF-8) in 512 bytes with
// its NUL; a longer one loses not only its own file but, in chmlib, every
// name after it in the same directory chunk.
constexpr size_t kMaxStoredNameBytes = 511;

constexpr Guid kItsfGuid1 = {0x7C01FD10, 0x7BAA, 0x11D0, {0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC}};
constexpr Guid kItsfGuid2 = {0x7C01FD11, 0x7BAA, 0x11D0, {0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC}};
constexpr uint32_t kItsfHeaderSize = 0x60;
constexpr uint32_t kHeaderSection0Size = 0x18;

void check_name(const std::string& name) {
  const char* problem = nullptr;
  if (name.empty())
    problem = "an empty file name";
  else if (name.size() > kMaxSourceNameBytes)
    problem = "a file name longer than 255 bytes";
  else if (name.find('\0') != std::string::npos)
    problem = "a file name with a NUL byte";
  else if (1 + directory_name(name).size() > kMaxStoredNameBytes)
    problem = "a file name longer than 510 bytes in UTF-8";
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
      documents.push_back({static_cast<uint32_t>(i), it->second, project.topics[i].title});
  return build_fulltext_index(documents, project.language, project.stop_words);
}

// A file as the container stores it: in which section, with which bytes.
struct StoredFile {
  std::string name;  // directory name, UTF-8
  uint32_t section;
  std::string_view data;
};

bool directory_less(const std::string& a, const std::string& b) { return directory_compare(a, b) < 0; }

// Which of `files` the directory can hold: of names equal but for case,
// only the first.
std::vector<char> first_of_each_name(const std::vector<StoredFile>& files) {
  std::vector<size_t> order(files.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return directory_less(files[a].name, files[b].name); });
  std::vector<char> kept(files.size(), 1);
  for (size_t k = 1; k < order.size(); ++k)
    if (directory_compare(files[order[k - 1]].name, files[order[k]].name) == 0) kept[order[k]] = 0;
  return kept;
}

// The ITSF header, with its table of two header sections, the second
// section's offset, and the first header section (the file size); the
// directory follows.
std::string file_header(uint32_t time, uint32_t lcid, uint64_t directory_size, uint64_t file_size) {
  const uint64_t directory_at = kItsfHeaderSize + kHeaderSection0Size;
  std::string out = "ITSF";
  put_u32(out, 3);
  put_u32(out, kItsfHeaderSize);
  put_u32(out, 1);
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((time >> shift) & 0xFF));  // big-endian
  put_u32(out, lcid);
  put_guid(out, kItsfGuid1);
  put_guid(out, kItsfGuid2);
  put_u64(out, kItsfHeaderSize);
  put_u64(out, kHeaderSection0Size);
  put_u64(out, directory_at);
  put_u64(out, directory_size);
  put_u64(out, directory_at + directory_size);  // the uncompressed section
  put_u32(out, 0x1FE);
  put_u32(out, 0);
  put_u64(out, file_size);
  put_u32(out, 0);
  put_u32(out, 0);
  return out;
}

}  // namespace

std::string compile_chm(const ChmProject& project) {
  for (const ChmSourceFile& f : project.files) check_name(f.name);
  const uint32_t time = project_time(project);
  const std::string fulltext = project.full_text_search ? full_text_index(project) : std::string();
  const SystemFiles sys = build_system_files(project, time, !fulltext.empty());

  // The format's own files come first, so that a project file of the same
  // name (say "#SYSTEM") is the one left out.
  std::vector<StoredFile> files = {{"/", 0, {}}, {"/#ITBITS", 0, {}}, {"/#SYSTEM", 0, sys.system}};
  // The search index is stored uncompressed: its bit-packed codes shrink
  // to about half under LZX, at several times the compression time per
  // byte of the pages.
  if (!fulltext.empty()) files.push_back({"/$FIftiMain", 0, fulltext});
  for (const auto& [name, data] : {std::pair<const char*, const std::string*>{"/#TOPICS", &sys.topics},
                                   {"/#URLTBL", &sys.urltbl},
                                   {"/#URLSTR", &sys.urlstr},
                                   {"/#STRINGS", &sys.strings},
                                   {"/#WINDOWS", &sys.windows},
                                   {"/#IDXHDR", &sys.idxhdr},
                                   {"/$OBJINST", &sys.objinst},
                                   {"/$WWKeywordLinks/Property", &sys.link_property},
                                   {"/$WWAssociativeLinks/Property", &sys.link_property}})
    if (!data->empty()) files.push_back({name, 1, *data});
  const size_t system_count = files.size();
  files.reserve(system_count + project.files.size());
  for (const ChmSourceFile& f : project.files) files.push_back({"/" + directory_name(f.name), 1, f.content});
  const std::vector<char> kept = first_of_each_name(files);

  // The compressed section, streamed through the compressor: the project's
  // files, then the system files.
  std::vector<DirectoryEntry> entries;
  entries.reserve(files.size() + 8);
  LzxCompressor compressor(kWindowBits, kResetIntervalFrames);
  uint64_t compressed_at = 0;
  auto compress = [&](size_t i) {
    if (!kept[i] || files[i].section != 1) return;
    entries.push_back({files[i].name, 1, compressed_at, files[i].data.size()});
    compressor.write(files[i].data);
    compressed_at += files[i].data.size();
  };
  for (size_t i = system_count; i < files.size(); ++i) compress(i);
  for (size_t i = 0; i < system_count; ++i) compress(i);
  LzxStream stream = compressor.finish();

  // The uncompressed section: #SYSTEM and its empty neighbours, the search
  // index, the compressed section's description, and the compressed
  // stream last.
  std::string section0_head;
  for (size_t i = 0; i < system_count; ++i) {
    if (files[i].section != 0) continue;
    entries.push_back({files[i].name, 0, section0_head.size(), files[i].data.size()});
    section0_head += files[i].data;
  }
  for (const NamedFile& f : compressed_section_files(stream, kResetIntervalFrames)) {
    entries.push_back({f.name, 0, section0_head.size(), f.data.size()});
    section0_head += f.data;
  }
  entries.push_back({kContentName, 0, section0_head.size(), stream.bytes.size()});
  add_folder_entries(entries);
  std::sort(entries.begin(), entries.end(),
            [](const DirectoryEntry& a, const DirectoryEntry& b) { return directory_less(a.name, b.name); });
  const std::string directory = build_directory(entries, project.language);

  const uint64_t file_size =
      kItsfHeaderSize + kHeaderSection0Size + directory.size() + section0_head.size() + stream.bytes.size();

  // Everything before the compressed stream goes in front of it in its own
  // buffer, which most often has the room: the stream, which for poorly
  // compressible input is as large as the input, is not copied.
  std::string head = file_header(time, project.language, directory.size(), file_size);
  head += directory;
  head += section0_head;
  std::string out = std::move(stream.bytes);
  out.insert(0, head);
  return out;
}

}  // namespace lh::chm
