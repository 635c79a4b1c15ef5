// The CHM compiler's output read back by three independent readers:
// chmlib (linked in), 7-Zip (`7z x`) and pychm. The project holds the
// awkward cases together: names with spaces and high-bit Windows-1252
// letters, empty files, a file over many frames and reset intervals, and
// enough long names for a directory of several chunks and index levels.
#include <gtest/gtest.h>

#include <chm_lib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>

#include "chm/chm_compiler.h"
#include "chm/cp1252.h"
#include "chm/fulltext.h"

namespace {

namespace fs = std::filesystem;
using lh::chm::ChmProject;
using lh::chm::compile_chm;

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
  ASSERT_TRUE(lh::chm::compile_chm_file(on_disk, out.string(), problem, 64 * 1024)) << problem;
  EXPECT_TRUE(read_whole(out) == expected);
  EXPECT_FALSE(fs::exists(out.string() + ".content~"));

  std::vector<lh::chm::FulltextDocument> pages;
  for (size_t t = 0; t < in_memory.topics.size(); ++t)
    for (const lh::chm::ChmSourceFile& f : in_memory.files)
      if (f.name == in_memory.topics[t].file) {
        pages.push_back({static_cast<uint32_t>(t), f.content});
        break;
      }
  EXPECT_TRUE(chmlib_file(out, "/$FIftiMain") == lh::chm::build_fulltext_index(pages, in_memory.language));

  write_whole(on_disk.files[3].disk_path, "changed");
  EXPECT_FALSE(lh::chm::compile_chm_file(on_disk, out.string(), problem, 64 * 1024));
  EXPECT_NE(problem.find(on_disk.files[3].disk_path), std::string::npos) << problem;
  EXPECT_FALSE(fs::exists(out));
  EXPECT_FALSE(fs::exists(out.string() + ".content~"));
  fs::remove_all(dir);
}

TEST(ChmCompiler, NamesTheFormatCannotHoldAreRefusedByName) {
  // 200 curly quotes are 600 bytes in UTF-8: chmlib could not find that
  // name, nor the names after it in its directory chunk.
  for (const std::string& bad :
       {std::string(), std::string(256, 'a'), std::string("a\0b", 3), std::string(200, '\x91')}) {
    ChmProject p;
    p.files.push_back({bad, "x"});
    EXPECT_THROW(compile_chm(p), std::invalid_argument);
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
