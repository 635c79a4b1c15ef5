// Manuals of headless builds read back by three independent readers:
// chmlib (extract_chmLib), 7-Zip (7z x) and pychm. Every page, image and
// sitemap of the work folder comes out of the manual byte for byte, for the
// example library and for a generated one of 10,000 commands with pages
// whose names hold blanks and high-bit CP1252 letters, and a lone "<".
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "gen/library_generator.h"
#include "headless_case.h"

namespace lh {
namespace {

using namespace lh::test;

// The files of the work folder that the manual must hold: the contents and
// index files, every page they name, the start page and the warning image.
// (A text-only entry whose group is empty has a page that nothing names.)
std::vector<std::string> manual_files(const std::string& work, const std::string& name) {
  std::vector<std::string> names = {name + ".hhc", name + ".hhk", "Index.html", "Warning.gif"};
  const std::string local = "<PARAM NAME=\"Local\" VALUE=\"";
  for (const std::string& sitemap : {names[0], names[1]}) {
    for (const std::string& line : lines_of(work + sitemap))
      if (line.rfind(local, 0) == 0) names.push_back(line.substr(local.size(), line.size() - local.size() - 2));
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  names.erase(
      std::remove_if(names.begin(), names.end(), [&](const std::string& n) { return !platform::is_file(work + n); }),
      names.end());
  return names;
}

// A manual's names are UTF-8; the work folder's are CP1252. The test's
// names use letters of its Latin-1 range only, which map directly.
std::string utf8_of(const std::string& cp1252) {
  std::string out;
  for (unsigned char c : cp1252) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// pychm: every normal object of the manual written below `out`.
const char* const kPychm = R"(
import os, struct, sys
import chm.chm, chm.chmlib, chm.extra
chm.extra.struct = struct
f = chm.chm.CHMFile()
if not f.LoadCHM(sys.argv[1]): sys.exit(3)
out = os.fsencode(sys.argv[2])
paths = []
def each(file, ui, context):
    paths.append(ui.path)
    return chm.chmlib.CHM_ENUMERATOR_CONTINUE
chm.chmlib.chm_enumerate(f.file, chm.chmlib.CHM_ENUMERATE_NORMAL, each, None)
for p in paths:
    if p.endswith(b'/'): continue
    result, ui = f.ResolveObject(p)
    if result != chm.chmlib.CHM_RESOLVE_SUCCESS: sys.exit(4)
    size, data = f.RetrieveObject(ui)
    target = os.path.join(out, p.lstrip(b'/'))
    os.makedirs(os.path.dirname(target), exist_ok=True)
    with open(target, 'wb') as o: o.write(data)
)";

void expect_readers_agree(const Case& c, const std::string& name) {
  const std::string manual = c.work + name + ".chm";
  const std::vector<std::string> files = manual_files(c.work, name);
  ASSERT_GT(files.size(), 3u);
  const std::string script = c.root + "pychm_extract.py";
  ASSERT_TRUE(platform::write_file(script, kPychm));
  struct Reader {
    const char* name;
    std::string command;
  };
  const std::string out = c.root + "out-";
  const Reader readers[] = {
      {"chmlib", "extract_chmLib '" + manual + "' '" + out + "chmlib' >/dev/null"},
      {"7-Zip", "7z x -y -o'" + out + "7-Zip' '" + manual + "' >/dev/null"},
      {"pychm", "/usr/bin/python3 '" + script + "' '" + manual + "' '" + out + "pychm'"},
  };
  for (const Reader& reader : readers) {
    ASSERT_EQ(std::system(reader.command.c_str()), 0) << reader.name << ": " << reader.command;
    const std::string folder = out + reader.name + kSep;
    size_t differing = 0;
    for (const std::string& file : files) {
      std::string inside, written;
      platform::read_file(c.work + file, written);
      if (!platform::read_file(folder + utf8_of(file), inside) || inside != written) {
        if (++differing <= 5) ADD_FAILURE() << reader.name << ": " << file << " missing or different";
      }
    }
    EXPECT_EQ(differing, 0u) << reader.name << " of " << files.size() << " files";
  }
}

TEST(ManualReaders, ExampleLibrary) {
  Case c("readers_example");
  // A copy of the example: the packages are written beside the source.
  const std::string example = LH_EXAMPLES_DIR "/StringTools/";
  ASSERT_TRUE(platform::copy_file(example + "StringTools.pb", c.src + "StringTools.pb"));
  Case::Result r = c.run("build '" + c.src + "StringTools.pb' --include '" + example + "include' --purebasic " +
                         quoted_folder(c.pb));
  ASSERT_TRUE(platform::is_file(c.work + "StringTools.chm")) << r.err;
  expect_readers_agree(c, "StringTools");
}

TEST(ManualReaders, GeneratedLibraryOfTenThousandCommandsWithAwkwardNames) {
  Case c("readers_generated");
  std::string source = generate_library_source(10000, 11);
  source +=
      ";{// Page with blanks\r\n;// Its name holds blanks.\r\n;}\r\n"
      ";{// Gr\xF6\xDF"
      "e und \xC4rger \xE9t\xE9\r\n;// High-bit letters in the name: \xE0\xE9\xFC.\r\n;}\r\n"
      "ProcedureDLL.l Lesser(a.l, b.l) ; true when a < b\r\n"
      "  ;// Returns whether a < b; 1<2 always.\r\n"
      "  ProcedureReturn Bool(a < b)\r\n"
      "EndProcedure\r\n";
  ASSERT_TRUE(platform::write_file(c.src + "Big.pb", source));
  Case::Result r = c.run("build '" + c.src + "Big.pb' --purebasic " + quoted_folder(c.pb));
  ASSERT_TRUE(platform::is_file(c.work + "Big.chm")) << r.err;
  // Page entries' names keep the blank after the marker.
  const std::vector<std::string> files = manual_files(c.work, "Big");
  for (const char* page : {" Page with blanks.html",
                           " Gr\xF6\xDF"
                           "e und \xC4rger \xE9t\xE9.html",
                           "Lesser.html"})
    EXPECT_NE(std::find(files.begin(), files.end(), page), files.end()) << page;
  std::string lesser;
  platform::read_file(c.work + "Lesser.html", lesser);
  EXPECT_NE(lesser.find("a < b"), std::string::npos);
  EXPECT_GT(files.size(), 10000u);
  expect_readers_agree(c, "Big");
}

}  // namespace
}  // namespace lh
