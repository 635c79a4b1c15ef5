#include "chm/chm_compiler.h"

#include <algorithm>
#include <memory>
#include <numeric>
#include <string_view>
#include <unordered_map>

#include "chm/chm_bytes.h"
#include "chm/compressed_section.h"
#include "chm/cp1252.h"
#include "chm/directory.h"
#include "chm/fulltext.h"
#include "chm/fulltext_words.h"
#include "chm/system_files.h"
#include "platform/file_system.h"
#include "platform/whole_file.h"

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

bool check_name(const std::string& name, std::string* error) {
  const char* problem = nullptr;
  if (name.empty())
    problem = "an empty file name";
  else if (name.size() > kMaxSourceNameBytes)
    problem = "a file name longer than 255 bytes";
  else if (name.find('\0') != std::string::npos)
    problem = "a file name with a NUL byte";
  else if (1 + directory_name(name).size() > kMaxStoredNameBytes)
    problem = "a file name longer than 510 bytes in UTF-8";
  if (problem && error) *error = std::string("CHM compiler: ") + problem + ": \"" + name + "\"";
  return problem == nullptr;
}

uint64_t size_of(const ChmSourceFile& f) { return f.disk_path.empty() ? f.content.size() : f.disk_size; }

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
    mix(std::to_string(size_of(f)));
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

// What the search index takes from a page: its words, folded, in page
// order, one space after each. Read as a page again, it gives the same
// words at the same places, and it is far smaller than the page.
class WordRecord final : public WordSink {
 public:
  explicit WordRecord(std::string& out) : out_(out) {}
  void word(std::string_view folded) override {
    out_ += folded;
    out_ += ' ';
  }

 private:
  std::string& out_;
};

// The topics whose words each project file carries: a page is found by its
// name as the directory finds it (the first of names equal but for case);
// a topic naming no file has no words.
std::vector<std::vector<uint32_t>> topics_by_file(const ChmProject& project) {
  std::unordered_map<std::string, size_t> first;
  for (size_t i = 0; i < project.files.size(); ++i) first.emplace(fold_name(project.files[i].name), i);
  std::vector<std::vector<uint32_t>> topics(project.files.size());
  for (size_t t = 0; t < project.topics.size(); ++t)
    if (auto it = first.find(fold_name(project.topics[t].file)); it != first.end())
      topics[it->second].push_back(static_cast<uint32_t>(t));
  return topics;
}

// Reads a project file's bytes and hands them on in blocks of `block`'s
// size (one buffer for every file: most are far smaller than a block).
// False when a file on disk cannot be read or changed size since the
// project was read.
template <typename Fn>
bool for_each_block(platform::FileSystem& files, const ChmSourceFile& f, std::vector<char>& block, Fn&& take,
                    std::string* error) {
  if (f.disk_path.empty()) {
    take(std::string_view(f.content));
    return true;
  }
  auto fail = [&](const std::string& what) {
    if (error) *error = "CHM compiler: " + what;
    return false;
  };
  const std::unique_ptr<platform::InputStream> in = files.open_input(f.disk_path);
  if (!in) return fail("cannot read " + f.disk_path);
  uint64_t total = 0;
  for (;;) {
    const int64_t n = in->read(block.data(), block.size());
    if (n < 0) return fail("cannot read " + f.disk_path);
    if (n == 0) break;
    total += static_cast<uint64_t>(n);
    if (total > f.disk_size) break;
    take(std::string_view(block.data(), static_cast<size_t>(n)));
  }
  if (total != f.disk_size) return fail(f.disk_path + " changed while the manual was made");
  return true;
}

// The compressed content as it is made: in memory, and in a file once it
// outgrows `limit` bytes (when a file system is given). A write of that file
// that fails is kept, with the system's reason; everything added after it is
// dropped, and the manual is not made.
class ContentSpool {
 public:
  ContentSpool(platform::FileSystem* files, std::string spill_path, uint64_t limit)
      : files_(files), spill_path_(std::move(spill_path)), limit_(limit) {}
  ~ContentSpool() {
    if (file_) file_->close();
    if (opened_) files_->delete_file(spill_path_);
  }
  ContentSpool(const ContentSpool&) = delete;
  ContentSpool& operator=(const ContentSpool&) = delete;

  void add(std::string_view bytes) {
    if (write_failed_) return;
    memory_ += bytes;
    if (!files_ || memory_.size() < limit_) return;
    if (!opened_) {
      opened_ = true;
      file_ = files_->open_output(spill_path_);
      if (!file_) return failed_write();
    }
    if (!file_->write(memory_)) return failed_write();
    memory_.clear();
  }

  // The content held in memory; all of it unless a file took a part.
  std::string& memory() { return memory_; }
  bool write_failed() const { return write_failed_; }
  const std::string& write_failure_reason() const { return reason_; }

  // Writes the whole content to `out`: what went to the file, then the rest.
  // False when the file cannot be completed (write_failed()) or read back.
  bool copy_to(platform::OutputStream& out, std::string* error) {
    if (write_failed_) return false;
    if (file_) {
      const bool closed = file_->close();
      file_.reset();
      if (!closed) {
        failed_write();
        return false;
      }
      const std::unique_ptr<platform::InputStream> in = files_->open_input(spill_path_);
      std::vector<char> block(size_t{1} << 20);
      for (int64_t n; (n = in ? in->read(block.data(), block.size()) : -1) != 0;) {
        if (n < 0) {
          if (error) *error = "CHM compiler: cannot read " + spill_path_;
          return false;
        }
        out.write(std::string_view(block.data(), static_cast<size_t>(n)));
      }
    }
    out.write(memory_);
    return true;
  }

 private:
  void failed_write() {
    write_failed_ = true;
    reason_ = files_->error_text();
  }

  platform::FileSystem* files_;  // null: all in memory
  std::string spill_path_;
  uint64_t limit_;
  bool opened_ = false;  // the file was asked for: it goes when the spool does
  std::unique_ptr<platform::OutputStream> file_;
  std::string memory_;
  bool write_failed_ = false;
  std::string reason_;
};

// A file as the container stores it: in which section, with which bytes.
struct StoredFile {
  std::string name;  // directory name, UTF-8
  uint32_t section;
  std::string_view data;                  // the format's own files
  const ChmSourceFile* source = nullptr;  // a project file
  uint64_t size() const { return source ? size_of(*source) : data.size(); }
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

// The manual's files as the container stores them: the format's own first,
// so that a project file of the same name (say "#SYSTEM") is the one left
// out, then the project's.
struct StoredFiles {
  std::vector<StoredFile> files;
  size_t system_count = 0;  // the format's own files, at the front
  size_t fulltext_at = 0;   // the search index's place, when there is one
};

StoredFiles stored_files(const ChmProject& project, const SystemFiles& sys) {
  StoredFiles stored;
  std::vector<StoredFile>& files = stored.files;
  files = {{"/", 0, {}}, {"/#ITBITS", 0, {}}, {"/#SYSTEM", 0, sys.system}};
  // The search index is stored uncompressed: its bit-packed codes shrink
  // to about half under LZX, at several times the compression time per
  // byte of the pages.
  if (project.full_text_search) {
    stored.fulltext_at = files.size();
    files.push_back({"/$FIftiMain", 0, {}});
  }
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
  stored.system_count = files.size();
  files.reserve(stored.system_count + project.files.size());
  for (const ChmSourceFile& f : project.files) files.push_back({"/" + directory_name(f.name), 1, {}, &f});
  return stored;
}

// Everything of the manual before its compressed stream, once `entries`
// holds the compressed section's files: the file header, the directory, and
// the uncompressed section (#SYSTEM and its empty neighbours, the search
// index, the compressed section's description).
std::string manual_head(const StoredFiles& stored, const LzxStream& stream, std::vector<DirectoryEntry>& entries,
                        uint32_t time, uint32_t lcid) {
  std::string section0_head;
  for (size_t i = 0; i < stored.system_count; ++i) {
    const StoredFile& f = stored.files[i];
    if (f.section != 0) continue;
    entries.push_back({f.name, 0, section0_head.size(), f.data.size()});
    section0_head += f.data;
  }
  for (const NamedFile& f : compressed_section_files(stream, kResetIntervalFrames)) {
    entries.push_back({f.name, 0, section0_head.size(), f.data.size()});
    section0_head += f.data;
  }
  entries.push_back({kContentName, 0, section0_head.size(), stream.compressed_size});
  add_folder_entries(entries);
  std::sort(entries.begin(), entries.end(),
            [](const DirectoryEntry& a, const DirectoryEntry& b) { return directory_less(a.name, b.name); });
  const std::string directory = build_directory(entries, lcid);

  const uint64_t file_size =
      kItsfHeaderSize + kHeaderSection0Size + directory.size() + section0_head.size() + stream.compressed_size;
  std::string head = file_header(time, lcid, directory.size(), file_size);
  head += directory;
  head += section0_head;
  return head;
}

// Everything of the manual but its compressed content, which `content`
// receives: the file header, the directory and the uncompressed section,
// into `head`. False when a name cannot be stored, a file cannot be read, or
// the content could not be kept (content.write_failed()).
bool compile_into(platform::FileSystem& files_on_disk, const ChmProject& project, ContentSpool& content,
                  std::string& head, std::string* error) {
  for (const ChmSourceFile& f : project.files)
    if (!check_name(f.name, error)) return false;
  const uint32_t time = project_time(project);

  // The system files hold nothing of the pages' bytes: they are made
  // first, the search index (whose size they need not know) last.
  const SystemFiles sys = build_system_files(project, time, project.full_text_search);

  StoredFiles stored = stored_files(project, sys);
  std::vector<StoredFile>& files = stored.files;
  const size_t system_count = stored.system_count;
  const std::vector<char> kept = first_of_each_name(files);

  // The compressed section, streamed through the compressor: the project's
  // files, each read as it goes, then the system files. The search index
  // takes each page's words on the way.
  std::vector<DirectoryEntry> entries;
  entries.reserve(files.size() + 16);
  LzxCompressor compressor(kWindowBits, kResetIntervalFrames);
  compressor.set_output([&content](std::string_view bytes) { content.add(bytes); });
  uint64_t compressed_at = 0;
  const std::vector<std::vector<uint32_t>> page_topics =
      project.full_text_search ? topics_by_file(project) : std::vector<std::vector<uint32_t>>();
  std::vector<std::string> word_records(page_topics.size());
  std::string page;
  std::vector<char> block(size_t{1} << 20);
  for (size_t i = system_count; i < files.size(); ++i) {
    const size_t index = i - system_count;
    const ChmSourceFile& f = *files[i].source;
    const bool indexed = !page_topics.empty() && !page_topics[index].empty();
    if (!kept[i] && !indexed) continue;
    if (kept[i]) entries.push_back({files[i].name, 1, compressed_at, size_of(f)});
    page.clear();
    const bool read = for_each_block(
        files_on_disk, f, block,
        [&](std::string_view bytes) {
          if (kept[i]) compressor.write(bytes);
          if (indexed && !f.disk_path.empty()) page += bytes;
        },
        error);
    if (!read || content.write_failed()) return false;
    if (kept[i]) compressed_at += size_of(f);
    if (indexed) {
      WordRecord record(word_records[index]);
      scan_page_words(f.disk_path.empty() ? std::string_view(f.content) : std::string_view(page), record);
      word_records[index].shrink_to_fit();
    }
  }
  std::string().swap(page);

  std::string fulltext;
  if (project.full_text_search) {
    std::vector<FulltextDocument> documents;
    documents.reserve(project.topics.size());
    for (size_t f = 0; f < page_topics.size(); ++f)
      for (const uint32_t topic : page_topics[f])
        documents.push_back({topic, word_records[f], project.topics[topic].title});
    fulltext = build_fulltext_index(documents, project.language, project.stop_words);
    std::vector<std::string>().swap(word_records);
    files[stored.fulltext_at].data = fulltext;
  }
  for (size_t i = 0; i < system_count; ++i) {
    if (!kept[i] || files[i].section != 1) continue;
    entries.push_back({files[i].name, 1, compressed_at, files[i].data.size()});
    compressor.write(files[i].data);
    compressed_at += files[i].data.size();
  }
  const LzxStream stream = compressor.finish();
  if (content.write_failed()) return false;
  head = manual_head(stored, stream, entries, time, project.language);
  return true;
}

// The manual under `temporary`: the head, then the content. False with the
// reason in `error` when the content's file cannot be read back; false
// otherwise when a write failed.
bool write_manual(platform::FileSystem& files, const std::string& temporary, const std::string& head,
                  ContentSpool& content, std::string* error) {
  const std::unique_ptr<platform::OutputStream> out = files.open_output(temporary);
  if (!out) return false;
  out->write(head);
  const bool copied = content.copy_to(*out, error);
  return out->close() && copied;
}

}  // namespace

bool compile_chm(platform::FileSystem& files, const ChmProject& project, std::string& chm, std::string* error) {
  ContentSpool content(nullptr, "", 0);
  std::string head;
  if (!compile_into(files, project, content, head, error)) return false;
  // The content, which for poorly compressible input is as large as the
  // input, is not copied: the head goes in front of it.
  chm = std::move(content.memory());
  chm.insert(0, head);
  return true;
}

bool compile_chm_file(platform::FileSystem& files, const ChmProject& project, const std::string& output_path,
                      std::string* error, uint64_t content_in_memory) {
  // Whole or not at all: the manual is written under a temporary name
  // beside its place and renamed over it only when complete, so that a full
  // disk or a killed run never leaves a cut manual there.
  platform::remove_leftovers(files, output_path);
  const std::string temporary = platform::temporary_name_for(output_path);
  // A failed run leaves no manual at all: an older one would pass for this
  // one's.
  auto fail = [&](const std::string& text) {
    files.delete_file(temporary);
    files.delete_file(output_path);
    if (error) *error = text;
    return false;
  };
  auto cannot_write = [&](const std::string& reason) {
    return fail(output_path + " cannot be written" + (reason.empty() ? "" : ": " + reason));
  };
  {
    ContentSpool content(&files, output_path + ".content~", content_in_memory);
    std::string head, problem;
    if (!compile_into(files, project, content, head, &problem))
      return content.write_failed() ? cannot_write(content.write_failure_reason()) : fail(problem);
    problem.clear();
    if (!write_manual(files, temporary, head, content, &problem)) {
      if (content.write_failed()) return cannot_write(content.write_failure_reason());
      return problem.empty() ? cannot_write(files.error_text()) : fail(problem);
    }
  }
  platform::WriteFailure failure;
  if (!platform::commit_whole(files, temporary, output_path, &failure)) return cannot_write(failure.reason);
  return true;
}

}  // namespace lh::chm
