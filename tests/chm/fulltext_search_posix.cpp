// The full-text index read back by an independent reader: pychm searches the
// compiled manual, and its hits are checked against the words of the pages
// it holds (tests/data/fulltext_check.py reads them on its own).
#include <gtest/gtest.h>

#include <chm_lib.h>

#include <cstdlib>
#include <string>

#include "chm/chm_compiler.h"
#include "gen/library_generator.h"
#include "gen/manual_pages.h"
#include "help/help_fixture.h"
#include "platform/file_system.h"
#include "platform/files.h"

namespace lh {
namespace {

class FulltextSearch : public test::WorkFolder {
 protected:
  // The manual of the library source at `source_path`, compiled into
  // "<library>.chm" in the work folder; returns its path.
  std::string compile(const std::string& source_path, const std::string& library, bool search = true) {
    chm::ChmProject project = manual_project(source_path, folder_, library, search);
    std::string path = folder_ + library + ".chm";
    EXPECT_TRUE(chm::compile_chm_file(platform::real_file_system(), project, path));
    return path;
  }
  std::string compile_source(const std::string& source, const std::string& library) {
    put(library + ".pb", source);
    return compile(folder_ + library + ".pb", library);
  }
  // The manual of `source_path` read back by chmlib (every file extracted,
  // byte-identical), libmspack (every file looked up in other letter case),
  // 7-Zip (`7z t`) and pychm (searches; titles only).
  void every_reader(const std::string& source_path, const std::string& library, const std::string& options) {
    chm::ChmProject project = manual_project(source_path, folder_, library, true);
    const std::string path = folder_ + library + ".chm";
    ASSERT_TRUE(chm::compile_chm_file(platform::real_file_system(), project, path));
    const std::string out = folder_ + "extracted/", log = folder_ + "reader.log";
    ASSERT_EQ(run("extract_chmLib '" + path + "' '" + out + "'", log), 0) << slurp(log);
    for (const chm::ChmSourceFile& f : project.files) {
      std::string back;
      EXPECT_TRUE(platform::read_file(out + f.name, back) && back == f.content) << f.name;
    }
    EXPECT_EQ(run(std::string(LH_MSPACK_LOOKUP) + " '" + path + "' '" + folder_ + "'", log), 0) << slurp(log);
    EXPECT_EQ(run("7z t '" + path + "'", log), 0) << slurp(log);
    check(path, options);
  }
  static int run(const std::string& command, const std::string& log) {
    return std::system((command + " >'" + log + "' 2>&1").c_str());
  }
  static std::string slurp(const std::string& path) {
    std::string text;
    platform::read_file(path, text);
    return text;
  }
  // Runs the pychm check on `chm`; its report goes to the test log.
  void check(const std::string& chm, const std::string& options = "") {
    std::string report = folder_ + "check.txt";
    std::string command =
        "/usr/bin/python3 " LH_TEST_DATA "/fulltext_check.py '" + chm + "' " + options + " > '" + report + "' 2>&1";
    int status = std::system(command.c_str());
    std::string text;
    platform::read_file(report, text);
    EXPECT_EQ(status, 0) << text;
    std::printf("%s", text.c_str());
  }
};

TEST_F(FulltextSearch, EveryWordOfTheExampleLibraryFindsItsPages) {
  // Each page's every word, whole-word and prefix searches, words on no page.
  check(compile(LH_EXAMPLES "/StringTools/StringTools.pb", "StringTools"), "--expect strpadleft --expect removes");
}

TEST_F(FulltextSearch, ExampleAndTenThousandCommandsPassEveryReader) {
  every_reader(LH_EXAMPLES "/StringTools/StringTools.pb", "StringTools", "");
  put("Big.pb", generate_library_source(10000, 7));
  every_reader(folder_ + "Big.pb", "Big", "--sample 1 --pages 100");
}

TEST_F(FulltextSearch, GeneratedLibraryWithManyLeaves) {
  // Enough words for several leaves under an index node; a sample per page.
  check(compile_source(generate_library_source(1200, 3), "Gen"), "--sample 4 --min-leaves 4");
}

TEST_F(FulltextSearch, HighWindows1252LettersFindTheirPages) {
  const std::string source =
      "ProcedureDLL.l Gr\xF6\xDF"
      "e(text.s) ; Die Gr\xF6\xDF"
      "e eines Textes\r\n"
      "  ;// \xC4rger \xFC"
      "ber \xD6l, \x8C"
      "uvre und \x8A"
      "koda: Caf&eacute; &lt;Stra&szlig;e&gt;\r\n"
      "  ProcedureReturn Len(text)\r\n"
      "EndProcedure\r\n"
      "ProcedureDLL.l Plain(a.l) ; Nothing special\r\n"
      "  ProcedureReturn a\r\n"
      "EndProcedure\r\n";
  // Folded as the index holds them: the reader compares high bytes as they are.
  check(compile_source(source, "Umlaut"),
        "--expect gr\xF6\xDF"
        "e --expect \xE4rger --expect \xFC"
        "ber --expect \xF6l --expect \x9C"
        "uvre "
        "--expect \x9A"
        "koda --expect caf\xE9 --expect stra\xDF"
        "e");
}

TEST_F(FulltextSearch, NoIndexWithoutSearch) {
  std::string path = compile(LH_EXAMPLES "/StringTools/StringTools.pb", "StringTools", false);
  chmFile* file = chm_open(path.c_str());
  ASSERT_NE(file, nullptr);
  chmUnitInfo ui;
  EXPECT_NE(chm_resolve_object(file, "/$FIftiMain", &ui), CHM_RESOLVE_SUCCESS);
  EXPECT_EQ(chm_resolve_object(file, "/#TOPICS", &ui), CHM_RESOLVE_SUCCESS);
  chm_close(file);
}

}  // namespace
}  // namespace lh
