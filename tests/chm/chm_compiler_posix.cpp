// The CHM compiler's output read back by three independent readers:
// chmlib (linked in), 7-Zip (`7z x`) and pychm. The project holds the
// awkward cases together: names with spaces and high-bit Windows-1252
// letters, empty files, a file over many frames and reset intervals, and
// enough long names for a directory of several chunks and index levels.
#include <gtest/gtest.h>

#include <chm_lib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "chm/chm_compiler.h"
#include "chm/cp1252.h"
#include "chm/fulltext.h"
#include "fakes/forwarding_file_system.h"
#include "platform/file_system.h"
#include "platform/memory_file_system.h"

namespace {

namespace fs = std::filesystem;
using lh::chm::ChmProject;

// The manual of a project held in memory.
std::string compile_chm(const ChmProject& project) {
  std::string bytes, error;
  EXPECT_TRUE(lh::chm::compile_chm(lh::platform::real_file_system(), project, bytes, &error)) << error;
  return bytes;
}

std::string read_whole(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_whole(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

std::string page(const std::string& title, size_t paragraphs, unsigned seed) {
  static const char* const words[] = {"procedure", "returns", "the", "string", "handle", "of", "window", "list"};
  std::mt19937 rng(seed);
  std::string s = "<HTML><HEAD></HEAD><BODY><H1>" + title + "</H1>\r\n";
  for (size_t p = 0; p < paragraphs; ++p) {
    s += "<P>";
    for (int w = 0; w < 12; ++w) s += std::string(words[rng() % 8]) + " ";
    s += std::to_string(rng()) + "</P>\r\n";
  }
  return s + "</BODY></HTML>\r\n";
}

ChmProject awkward_project() {
  ChmProject p;
  p.title = "Strings Library";
  p.compiled_file = "Strings.chm";
  p.default_topic = "Index.html";
  p.contents_file = "Strings.hhc";
  p.index_file = "Strings.hhk";
  p.default_font = "Arial,8,0";
  p.language = 0x0407;
  auto add = [&p](std::string name, std::string content, const std::string& title = {}) {
    if (!title.empty()) p.topics.push_back({name, title});
    p.files.push_back({std::move(name), std::move(content)});
  };
  add("Index.html", page("Index", 3, 1), "Index");
  add("Strings.hhc", "<HTML><BODY><OBJECT type=\"text/sitemap\"></OBJECT></BODY></HTML>");
  add("Strings.hhk", "<HTML><BODY><UL></UL></BODY></HTML>");
  add("page with spaces.html", page("spaces", 2, 2), "Spaces");
  add("\xDC"
      "berblick \xE9t\xE9.html",
      page("\xDC"
           "berblick",
           2, 3),
      "\xDC"
      "berblick");
  add("\x80 and \x9F.html", page("euro", 1, 4), "Euro");
  add("empty.html", "", "Empty");
  add("images/empty.gif", "");
  // Over eight frames and four reset intervals, partly incompressible.
  std::string big = page("Big", 2500, 5);
  std::mt19937 rng(6);
  for (int i = 0; i < 40000; ++i) big.push_back(static_cast<char>(rng()));
  add("sub/folder/big.html", big, "Big");
  // Long names: few entries to a chunk, so the directory needs two levels
  // of index chunks above its listing chunks.
  for (int i = 0; i < 1200; ++i) {
    const std::string name = "many/" + std::string(180, "abcdefghij"[i % 10]) + "_" + std::to_string(i) + ".html";
    add(name, page(std::to_string(i), 1 + i % 3, 100 + i), "Topic " + std::to_string(i));
  }
  // Equal but for case to Index.html: a viewer has one file of that name,
  // the first.
  p.files.push_back({"INDEX.HTML", "not this one"});
  return p;
}

struct Compiled {
  ChmProject project = awkward_project();
  std::string bytes = compile_chm(project);
  fs::path dir;
  fs::path chm;
  Compiled() {
    dir = fs::temp_directory_path() / ("lh-chm-test-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    chm = dir / "Strings.chm";
    write_whole(chm, bytes);
  }
  ~Compiled() { fs::remove_all(dir); }
  // The files a reader should give back: all but the later case twin.
  size_t kept_files() const { return project.files.size() - 1; }
};

const Compiled& compiled() {
  static const Compiled c;
  return c;
}

uint32_t u32_at(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
  return v;
}

TEST(ChmCompiler, ChmlibFindsEveryFileByNameThroughTheIndexChunks) {
  const Compiled& c = compiled();
  // ITSP at 0x78: depth of the directory tree at +0x18.
  ASSERT_EQ(c.bytes.compare(0x78, 4, "ITSP"), 0);
  EXPECT_GE(u32_at(c.bytes, 0x78 + 0x18), 3u) << "listing chunks and two index levels";

  chmFile* h = chm_open(c.chm.c_str());
  ASSERT_NE(h, nullptr);
  for (size_t i = 0; i < c.kept_files(); ++i) {
    const auto& f = c.project.files[i];
    const std::string name = "/" + lh::chm::cp1252_to_utf8(f.name);
    chmUnitInfo ui;
    ASSERT_EQ(chm_resolve_object(h, name.c_str(), &ui), CHM_RESOLVE_SUCCESS) << name;
    ASSERT_EQ(ui.length, f.content.size()) << name;
    std::string back(f.content.size(), '\0');
    if (!back.empty()) {
      ASSERT_EQ(chm_retrieve_object(h, &ui, reinterpret_cast<unsigned char*>(back.data()), 0, back.size()),
                static_cast<LONGINT64>(back.size()))
          << name;
    }
    ASSERT_TRUE(back == f.content) << name;
  }
  chmUnitInfo ui;
  ASSERT_EQ(chm_resolve_object(h, "/index.html", &ui), CHM_RESOLVE_SUCCESS);
  EXPECT_EQ(ui.length, c.project.files[0].content.size()) << "the first of two names equal but for case";
  chm_close(h);
}

TEST(ChmCompiler, SevenZipExtractsEveryFileByteIdentical) {
  const Compiled& c = compiled();
  const fs::path out = c.dir / "7z";
  const std::string cmd =
      "7z x -y -o'" + out.string() + "' '" + c.chm.string() + "' >'" + (c.dir / "7z.log").string() + "' 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << read_whole(c.dir / "7z.log");
  for (size_t i = 0; i < c.kept_files(); ++i) {
    const auto& f = c.project.files[i];
    const fs::path p = out / lh::chm::cp1252_to_utf8(f.name);
    ASSERT_TRUE(fs::exists(p)) << p;
    ASSERT_TRUE(read_whole(p) == f.content) << p;
  }
}

TEST(ChmCompiler, PychmReadsTheSystemFileAndEveryFile) {
  const Compiled& c = compiled();
  const fs::path names = c.dir / "names.txt";
  const fs::path out = c.dir / "pychm";
  fs::create_directories(out);
  std::string list;
  for (size_t i = 0; i < c.kept_files(); ++i) list += "/" + lh::chm::cp1252_to_utf8(c.project.files[i].name) + "\n";
  write_whole(names, list);
  const fs::path script = c.dir / "read.py";
  write_whole(script, R"(import struct, sys
import chm.chm, chm.extra
chm.extra.struct = struct  # the module uses struct without importing it
f = chm.chm.CHMFile()
assert f.LoadCHM(sys.argv[1].encode())
for i, name in enumerate(open(sys.argv[2], 'rb').read().split(b'\n')[:-1]):
    rc, ui = f.ResolveObject(name)
    assert rc == 0, name
    size, data = f.RetrieveObject(ui)
    open('%s/%d' % (sys.argv[3], i), 'wb').write(data if size else b'')
info = [f.title, f.home, f.topics, f.index]
# The same three again, from the window definition in #WINDOWS.
f.home = f.topics = f.index = None
assert f.GetWindowsInfo() is None
info += [f.home, f.topics, f.index]
open('%s/info' % sys.argv[3], 'wb').write(b'\n'.join(x or b'' for x in info) + b'\n' + str(f.lcid).encode())
)");
  const std::string cmd = "/usr/bin/python3 '" + script.string() + "' '" + c.chm.string() + "' '" + names.string() +
                          "' '" + out.string() + "' >'" + (c.dir / "py.log").string() + "' 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << read_whole(c.dir / "py.log");
  for (size_t i = 0; i < c.kept_files(); ++i)
    ASSERT_TRUE(read_whole(out / std::to_string(i)) == c.project.files[i].content) << c.project.files[i].name;
  EXPECT_EQ(read_whole(out / "info"),
            "Strings Library\n/Index.html\n/Strings.hhc\n/Strings.hhk\n/Index.html\n/Strings.hhc\n/Strings.hhk\n1031");
}

// A file of the compiled manual at `chm`, read through chmlib; empty when
// it has none of that name.
std::string chmlib_file(const fs::path& chm, const char* name) {
  std::string data;
  chmFile* h = chm_open(chm.c_str());
  if (!h) return data;
  chmUnitInfo ui;
  if (chm_resolve_object(h, name, &ui) == CHM_RESOLVE_SUCCESS) {
    data.resize(ui.length);
    chm_retrieve_object(h, &ui, reinterpret_cast<unsigned char*>(data.data()), 0, ui.length);
  }
  chm_close(h);
  return data;
}

// The viewer's window comes from #WINDOWS: one definition, named as
// #SYSTEM's default window, whose strings in #STRINGS name the project's
// title, contents, index and first page; the Search tab only with a
// search index.
TEST(ChmCompiler, WindowDefinitionNamesTheProjectsFiles) {
  const Compiled& c = compiled();
  const std::string system = chmlib_file(c.chm, "/#SYSTEM"), windows = chmlib_file(c.chm, "/#WINDOWS"),
                    strings = chmlib_file(c.chm, "/#STRINGS");
  ASSERT_EQ(windows.size(), 8u + 0x196);
  EXPECT_EQ(u32_at(windows, 0), 1u) << "definitions";
  EXPECT_EQ(u32_at(windows, 4), 0x196u) << "entry size";
  const std::string entry = windows.substr(8);
  EXPECT_EQ(u32_at(entry, 0), 0x196u);
  auto string_at = [&](size_t field) {
    const uint32_t at = u32_at(entry, field);
    return at < strings.size() ? std::string(strings.c_str() + at) : std::string("(outside #STRINGS)");
  };
  std::string default_window;
  for (size_t at = 4; at + 4 <= system.size(); at += 4 + (u32_at(system, at) >> 16))
    if ((u32_at(system, at) & 0xFFFF) == 5) default_window = system.c_str() + at + 4;
  EXPECT_FALSE(default_window.empty()) << "#SYSTEM names the default window";
  EXPECT_EQ(string_at(0x08), default_window);
  EXPECT_EQ(string_at(0x14), c.project.title);
  EXPECT_EQ(string_at(0x60), c.project.contents_file);
  EXPECT_EQ(string_at(0x64), c.project.index_file);
  EXPECT_EQ(string_at(0x68), c.project.default_topic);
  EXPECT_EQ(string_at(0x6C), c.project.default_topic);
  constexpr uint32_t kThreePanes = 0x20, kSearchTab = 0x400;
  EXPECT_EQ(u32_at(entry, 0x10) & (kThreePanes | kSearchTab), kThreePanes);

  ChmProject searched;
  searched.title = "Searched";
  searched.index_file = "s.hhk";
  searched.full_text_search = true;
  searched.files = {{"s.hhk", "<HTML><BODY><UL></UL></BODY></HTML>"},
                    {"a.html", "<HTML><BODY>procedure returns</BODY></HTML>"}};
  searched.topics = {{"a.html", "A"}};
  const fs::path path = c.dir / "searched.chm";
  write_whole(path, compile_chm(searched));
  const std::string searched_windows = chmlib_file(path, "/#WINDOWS");
  ASSERT_EQ(searched_windows.size(), 8u + 0x196);
  EXPECT_EQ(u32_at(searched_windows, 8 + 0x10) & kSearchTab, kSearchTab);
}

// The #SYSTEM record of `code`; empty when there is none.
std::string system_record(const std::string& system, uint32_t code) {
  for (size_t at = 4; at + 4 <= system.size(); at += 4 + (u32_at(system, at) >> 16))
    if ((u32_at(system, at) & 0xFFFF) == code) return system.substr(at + 4, u32_at(system, at) >> 16);
  return {};
}

// What the HTML Help compiler always writes besides the pages: #IDXHDR
// (copied into #SYSTEM), $OBJINST, the link tables' properties, and an
// entry for every folder. One language everywhere; the full-text flag set
// exactly when there is a search index.
TEST(ChmCompiler, InternalFilesOfTheHtmlHelpCompiler) {
  const Compiled& c = compiled();
  std::vector<std::string> names;
  chmFile* h = chm_open(c.chm.c_str());
  ASSERT_NE(h, nullptr);
  chm_enumerate(
      h, CHM_ENUMERATE_ALL,
      [](chmFile*, chmUnitInfo* ui, void* context) {
        static_cast<std::vector<std::string>*>(context)->push_back(ui->path);
        return CHM_ENUMERATOR_CONTINUE;
      },
      &names);
  chm_close(h);
  for (const char* name :
       {"/#IDXHDR", "/$OBJINST", "/$WWKeywordLinks/", "/$WWKeywordLinks/Property", "/$WWAssociativeLinks/",
        "/$WWAssociativeLinks/Property", "/images/", "/sub/", "/sub/folder/", "/many/"})
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
  EXPECT_EQ(chmlib_file(c.chm, "/$WWKeywordLinks/Property"), std::string(4, '\0'));

  auto check = [&](const fs::path& chm, uint32_t lcid, bool search, size_t topics) {
    const std::string system = chmlib_file(chm, "/#SYSTEM"), idxhdr = chmlib_file(chm, "/#IDXHDR"),
                      objinst = chmlib_file(chm, "/$OBJINST"), fulltext = chmlib_file(chm, "/$FIftiMain");
    ASSERT_EQ(idxhdr.size(), 0x1000u);
    EXPECT_EQ(idxhdr.substr(0, 4), "T#SM");
    EXPECT_EQ(u32_at(idxhdr, 0x0C), topics);
    EXPECT_TRUE(system_record(system, 13) == idxhdr);
    const std::string language = system_record(system, 4);
    ASSERT_GE(language.size(), 12u);
    EXPECT_EQ(u32_at(language, 0), lcid);
    EXPECT_EQ(u32_at(language, 8), search ? 1u : 0u) << "full-text flag";
    EXPECT_EQ(!fulltext.empty(), search);
    if (search) {
      EXPECT_EQ(u32_at(fulltext, 0x7E), lcid);
    }
    ASSERT_GE(objinst.size(), 0x40u);
    EXPECT_EQ(u32_at(objinst, 4), 2u) << "objects";
    EXPECT_EQ(u32_at(objinst, u32_at(objinst, 8) + 28), lcid) << "sort object";
    EXPECT_EQ(u32_at(objinst, u32_at(objinst, 16) + 24), lcid) << "word breaker";
    // The sort object: its character table ends with the ligature "\x9C"
    // = "oe", then the stemmer's record (its GUID, four numbers) closes it.
    const size_t sort_end = u32_at(objinst, 8) + u32_at(objinst, 12);
    EXPECT_EQ(objinst.substr(sort_end - 39, 7), "\x9Coe\xA8\xD5\xA0\x8F");
    EXPECT_EQ(u32_at(objinst, sort_end - 8), lcid) << "stemmer";
  };
  check(c.chm, 0x0407, false, c.project.topics.size());
  ChmProject searched;
  searched.language = 0x0414;
  searched.full_text_search = true;
  searched.files = {{"a.html", "<HTML><BODY>procedure returns</BODY></HTML>"}};
  searched.topics = {{"a.html", "A"}};
  const fs::path path = c.dir / "language.chm";
  write_whole(path, compile_chm(searched));
  check(path, 0x0414, true, 1);
}

// libmspack looks names up through the index chunks, the quick-reference
// areas and the sort order; 7-Zip tests each chunk's free space and the
// reset table.
TEST(ChmCompiler, LibmspackAndSevenZipTestTheContainer) {
  const Compiled& c = compiled();
  const fs::path log = c.dir / "mspack.log";
  const std::string cmd =
      std::string(LH_MSPACK_LOOKUP) + " '" + c.chm.string() + "' '" + c.dir.string() + "' >'" + log.string() + "' 2>&1";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << read_whole(log);
  const std::string test = "7z t '" + c.chm.string() + "' >'" + log.string() + "' 2>&1";
  EXPECT_EQ(std::system(test.c_str()), 0) << read_whole(log);
}

// Tools that write UTF-8 pages name their files in UTF-8: such a name is
// stored as it is, any other read as Windows-1252.
TEST(ChmCompiler, NamesInUtf8AndWindows1252) {
  ChmProject p;
  p.files = {{"caf\xC3\xA9.html", "utf-8"},
             {"\xDC"
              "ber.html",
              "cp1252"}};
  const fs::path path = compiled().dir / "names.chm";
  write_whole(path, compile_chm(p));
  EXPECT_EQ(chmlib_file(path, "/caf\xC3\xA9.html"), "utf-8");
  EXPECT_EQ(chmlib_file(path,
                        "/\xC3\x9C"
                        "ber.html"),
            "cp1252");
}

TEST(ChmCompiler, SameProjectSameBytes) { EXPECT_TRUE(compile_chm(awkward_project()) == compiled().bytes); }

// The manual made from files left on disk, its compressed content passing
// through the file beside the output, has the bytes of the one made in
// memory, and its search index is the one the pages themselves give (the
// compiler keeps only each page's words). A file that changed since the
// project was read leaves no manual, and says which file.
TEST(ChmCompiler, FilesOnDiskAndSpilledContentGiveTheSameManual) {
  ChmProject in_memory = awkward_project();
  in_memory.full_text_search = true;
  const fs::path dir = fs::temp_directory_path() / ("lh-chm-disk-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  ChmProject on_disk = in_memory;
  for (size_t i = 0; i < on_disk.files.size(); ++i) {
    lh::chm::ChmSourceFile& f = on_disk.files[i];
    f.disk_path = (dir / std::to_string(i)).string();
    f.disk_size = f.content.size();
    write_whole(f.disk_path, f.content);
    f.content.clear();
  }
  const std::string expected = compile_chm(in_memory);
  const fs::path out = dir / "out.chm";
  std::string problem;
  lh::platform::FileSystem& disk = lh::platform::real_file_system();
  ASSERT_TRUE(lh::chm::compile_chm_file(disk, on_disk, out.string(), &problem, 64 * 1024)) << problem;
  EXPECT_TRUE(read_whole(out) == expected);
  EXPECT_FALSE(fs::exists(out.string() + ".content~"));

  std::vector<lh::chm::FulltextDocument> pages;
  for (size_t t = 0; t < in_memory.topics.size(); ++t)
    for (const lh::chm::ChmSourceFile& f : in_memory.files)
      if (f.name == in_memory.topics[t].file) {
        pages.push_back({static_cast<uint32_t>(t), f.content, in_memory.topics[t].title});
        break;
      }
  EXPECT_TRUE(chmlib_file(out, "/$FIftiMain") ==
              lh::chm::build_fulltext_index(pages, in_memory.language, in_memory.stop_words));

  write_whole(on_disk.files[3].disk_path, "changed");
  EXPECT_FALSE(lh::chm::compile_chm_file(disk, on_disk, out.string(), &problem, 64 * 1024));
  EXPECT_NE(problem.find(on_disk.files[3].disk_path), std::string::npos) << problem;
  EXPECT_FALSE(fs::exists(out));
  EXPECT_FALSE(fs::exists(out.string() + ".content~"));
  fs::remove_all(dir);
}

// On a file system held in memory too: the pages read in blocks through
// it and the whole content spilled into the file beside the manual give the
// bytes made in memory, and only the manual stays.
TEST(ChmCompiler, FileSystemInMemoryGivesTheSameManual) {
  ChmProject project = awkward_project();
  project.full_text_search = true;
  const std::string expected = compile_chm(project);
  lh::platform::MemoryFileSystem memory(false);
  for (size_t i = 0; i < project.files.size(); ++i) {
    lh::chm::ChmSourceFile& f = project.files[i];
    f.disk_path = "/" + std::to_string(i);
    f.disk_size = f.content.size();
    ASSERT_TRUE(memory.write_file(f.disk_path, f.content));
    f.content.clear();
  }
  std::string problem;
  ASSERT_TRUE(lh::chm::compile_chm_file(memory, project, "/out.chm", &problem, 1)) << problem;
  std::map<std::string, std::string> files = memory.files();
  EXPECT_TRUE(files["/out.chm"] == expected);
  EXPECT_EQ(files.size(), project.files.size() + 1);

  // A disk that refuses the spill file: no manual (the earlier one would
  // pass for this one's), the manual named as what cannot be written, and
  // nothing left beside the sources.
  struct NoSpill final : lh::test::ForwardingFileSystem {
    using ForwardingFileSystem::ForwardingFileSystem;
    std::unique_ptr<lh::platform::OutputStream> open_output(const std::string& p) override {
      if (p.size() > 9 && p.compare(p.size() - 9, 9, ".content~") == 0) return nullptr;
      return ForwardingFileSystem::open_output(p);
    }
  } no_spill(memory);
  problem.clear();
  EXPECT_FALSE(lh::chm::compile_chm_file(no_spill, project, "/out.chm", &problem, 1));
  EXPECT_EQ(problem.rfind("/out.chm cannot be written", 0), 0u) << problem;
  EXPECT_EQ(memory.files().size(), project.files.size());
  EXPECT_FALSE(memory.exists("/out.chm"));
}

TEST(ChmCompiler, NamesTheFormatCannotHoldAreRefusedByName) {
  // 200 curly quotes are 600 bytes in UTF-8: chmlib could not find that
  // name, nor the names after it in its directory chunk.
  for (const std::string& bad :
       {std::string(), std::string(256, 'a'), std::string("a\0b", 3), std::string(200, '\x91')}) {
    ChmProject p;
    p.files.push_back({bad, "x"});
    std::string bytes, error;
    EXPECT_FALSE(lh::chm::compile_chm(lh::platform::real_file_system(), p, bytes, &error));
    EXPECT_EQ(error.rfind("CHM compiler: ", 0), 0u) << error;
  }
  ChmProject empty;
  chmFile* h = nullptr;
  const fs::path path = fs::temp_directory_path() / ("lh-chm-empty-" + std::to_string(getpid()) + ".chm");
  write_whole(path, compile_chm(empty));
  h = chm_open(path.c_str());
  EXPECT_NE(h, nullptr) << "an empty project still gives a CHM";
  if (h) chm_close(h);
  EXPECT_EQ(chmlib_file(path, "/#WINDOWS"), "") << "no window without contents or index";
  fs::remove(path);
}

}  // namespace
