// `libhammer build` run as a program, as a user or a script runs it: every
// outside program started with exactly the command line the build gives it,
// in order; the work folder's notes, tweaked source and piece files; the
// library name cut at the first "."; an unremovable work folder reported
// at once; the exit statuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "headless_case.h"
#include "platform/environment.h"

namespace lh {
namespace {

using namespace lh::test;

const char* const kLibrarySource =
    "#LIBRARY_VERSION = \"1.5\"\r\n"
    ";{// Overview\r\n"
    ";// What the library does.\r\n"
    ";}\r\n"
    "Structure Pair ;//Resident\r\n"
    "  a.l : b.l\r\n"
    "EndStructure\r\n"
    "#Twice = 2 ;//RESIDENT\r\n"
    "ProcedureDLL.s Greet(who.s) ; Says hello\r\n"
    "  ;// Greets who.\r\n"
    "  ProcedureReturn \"Hello \" + who\r\n"
    "EndProcedure\r\n"
    "ProcedureDLL.l Sum(a.l, b.l = 1) ; Adds\r\n"
    "  ProcedureReturn a + b\r\n"
    "EndProcedure ; of Sum\r\n"
    "ProcedureDLL.s Both(who.s)\r\n"
    "  x = Sum(1) + Sum(1, 2)\r\n"
    "  ProcedureReturn Greet(who)+Greet(who)\r\n"
    "EndProcedure\r\n";

// One build of kLibrarySource, saved as "My.Lib.pb" (so the library is
// "My") and given an include folder, run once for the whole suite; each case
// reads one side of what it printed and left.
class FullBuild : public ::testing::Test {
 protected:
  struct Run {
    Case c{"full"};
    Case::Result r;
    std::vector<std::string> progress, verdicts;  // r.out's progress lines, then its "ok"/"missing" lines
  };

  static void SetUpTestSuite() {
    run_ = std::make_unique<Run>();
    Case& c = run_->c;
    std::string source = c.src + "My.Lib.pb";
    ASSERT_TRUE(platform::write_file(source, kLibrarySource));
    std::string include = c.root + "include";
    platform::create_folder(include);
    platform::write_file(include + kSep + "Greet.nfo", "note");
    platform::create_folder(include + kSep + "nested");
    run_->r = c.run("build \"" + source + "\" --include \"" + include + "\" --purebasic " + quoted_folder(c.pb));
    for (const std::string& line : run_->r.out) {
      if (line.rfind('[', 0) == 0) run_->progress.push_back(line);
      if (line.rfind("ok ", 0) == 0 || line.rfind("missing ", 0) == 0) run_->verdicts.push_back(line);
    }
  }
  static void TearDownTestSuite() { run_.reset(); }

 private:
  static inline std::unique_ptr<Run> run_;

 protected:
  const Case& c = run_->c;
  const Case::Result& r = run_->r;
  const std::vector<std::string>& progress = run_->progress;
  const std::vector<std::string>& verdicts = run_->verdicts;
  const std::string user_library = c.pb + "PureLibraries" + kSep + "UserLibraries" + kSep + "My";
  const std::string resident = c.pb + "Residents" + kSep + "My.res";
};

// One progress line per step, then one line per expected output; what the
// outside programs print does not come between them.
TEST_F(FullBuild, PrintsOneLinePerStepThenOneVerdictPerOutput) {
  ASSERT_GE(r.out.size(), 19u) << r.err;
  EXPECT_EQ(progress.size() + verdicts.size(), r.out.size()) << r.out[r.out.size() - 1];
  ASSERT_EQ(progress.size(), 19u);
  EXPECT_EQ(progress[0].substr(0, 7), "[ 1/19]");
  EXPECT_EQ(progress[18].substr(0, 7), "[19/19]");
  std::vector<std::string> expected{"ok " + user_library, "ok " + c.work + "My.chm", "ok " + c.work + "My.pb"};
  ASSERT_EQ(verdicts.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(verdicts.begin(), verdicts.begin() + 3), expected);
  EXPECT_EQ(verdicts[3].substr(0, 3), "ok ");
  EXPECT_TRUE(contains(verdicts[3], "My ( 1.5) ") && contains(verdicts[3], ".7z")) << verdicts[3];
  EXPECT_EQ(verdicts[4].substr(0, LH_EXPECT_INSTALLER ? 3 : 8), LH_EXPECT_INSTALLER ? "ok " : "missing ");
  EXPECT_EQ(verdicts[5], "ok " + resident);
  EXPECT_EQ(r.status, LH_EXPECT_INSTALLER ? 0 : 1) << r.err;
}

// The outside programs of the build, in order; step 12's line names the
// compiler that made the manual.
TEST_F(FullBuild, RunsEveryOutsideProgramWithTheCommandLineTheBuildSays) {
  ASSERT_EQ(progress.size(), 19u) << r.err;
  const std::string tailbite = c.pb + "TailBite" + kSep + exe("TailBite");
  const std::string compiler = c.pb + "compilers" + kSep + exe("pbcompiler");
  // The resident compile names the folder "Compilers" on Windows, whose file
  // system finds it in any letter case.
  const std::string resident_compiler = c.pb + (kSep == '\\' ? "Compilers" : "compilers") + kSep + exe("pbcompiler");
  std::vector<std::string> log = lines_of(c.log);
#ifdef _WIN32
  // hhc.exe, found on the search path (the stand-in), made the manual.
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[2], "hhc: " + logged("hhc.exe", "\"" + c.work + "My.hhp\""));
  log.erase(log.begin() + 2);
  EXPECT_EQ(progress[11], "[12/19] manual My.chm made by hhc.exe");
#else
  EXPECT_EQ(progress[11],
            "[12/19] manual My.chm made by the built-in compiler, with full-text search; missing: Index.html");
#endif
  // Packaging starts no stand-in: the compiler is asked for its version
  // once a run, and the packages take the build's answer.
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0], "TailBite: " + logged(tailbite, "/VERS"));
  EXPECT_EQ(log[1], "pbcompiler: " + logged(compiler, "/VERSION"));
  EXPECT_EQ(log[2], "TailBite: " + logged(tailbite, "\"" + c.work + "My.pb\" /MULT /CHM:My"));
  EXPECT_EQ(log[3],
            "pbcompiler: " + logged(resident_compiler, "\"" + c.work + "Resident.pb\" /Resident \"" + resident + "\""));
}

TEST_F(FullBuild, NotesNameTheVersionsTheDateTheCountAndTheResidentCode) {
  std::vector<std::string> notes = lines_of(c.work + "Compilation.txt");
  ASSERT_EQ(notes.size(), 7u);
  EXPECT_EQ(notes[0], ";//Library  1.5");
  EXPECT_TRUE(notes[1].rfind(";//PureBasic ", 0) == 0 && notes[1].back() == ')') << notes[1];
  EXPECT_TRUE(notes[2].rfind(";//TB ", 0) == 0 && notes[2].size() > 6) << notes[2];
  EXPECT_EQ(notes[3], ";//LibHammer 6");
  ASSERT_EQ(notes[4].size(), 17u);
  EXPECT_EQ(notes[4][5], '/');
  EXPECT_EQ(notes[4][14], 'h');
  EXPECT_EQ(notes[5], ";//3 functions");
  EXPECT_EQ(notes[6], ";//<BR>Resident below");
  EXPECT_EQ(lines_of(c.work + "Compilation.cod"),
            (std::vector<std::string>{"Structure Pair ", "#Twice = 2 ;//RESIDENT"}));
}

TEST_F(FullBuild, WritesPieceFilesAndTakesTheIncludeFoldersFilesButNotItsSubfolder) {
  EXPECT_EQ(lines_of(c.work + "Greet.cod"),
            (std::vector<std::string>{"ProcedureDLL.s Greet(who.s) ; Says hello", "  ProcedureReturn \"Hello \" + who",
                                      "EndProcedure"}));
  EXPECT_EQ(lines_of(c.work + "Greet.txt"), std::vector<std::string>{"  ;// Greets who."});
  EXPECT_TRUE(platform::is_file(c.work + "Greet.nfo"));
  EXPECT_FALSE(platform::exists(c.work + "nested"));
  EXPECT_EQ(lines_of(c.work + "My.ver"), (std::vector<std::string>{"My", " 1.5"}));
}

// String commands get internal copies that the others call; the command
// with an optional parameter gets one variant per number of arguments.
TEST_F(FullBuild, TweakedSourceHasInternalCopiesAndOneVariantPerArgumentCount) {
  EXPECT_EQ(lines_of(c.work + "My.pb"),
            (std::vector<std::string>{"#LIBRARY_VERSION = \"1.5\"",
                                      ";{// Overview",
                                      ";// What the library does.",
                                      ";}",
                                      "Structure Pair ;//Resident",
                                      "  a.l : b.l",
                                      "EndStructure",
                                      "#Twice = 2 ;//RESIDENT",
                                      "Procedure.s Greet_internal(who.s)",
                                      "  ProcedureReturn \"Hello \" + who",
                                      "EndProcedure",
                                      "",
                                      "ProcedureDLL.s Greet(who.s) ; Says hello",
                                      "  ;// Greets who.",
                                      "  ProcedureReturn \"Hello \" + who",
                                      "EndProcedure",
                                      "Declare.l Sum2(a.l, b.l )",
                                      "",
                                      "ProcedureDll.l Sum(a.l) ; Adds",
                                      "  ProcedureReturn Sum2(a.l, 1)",
                                      "EndProcedure",
                                      "",
                                      "ProcedureDll.l Sum2(a.l, b.l ) ; Adds",
                                      "  ProcedureReturn a + b",
                                      "EndProcedure ; of Sum",
                                      "Procedure.s Both_internal(who.s)",
                                      "  x = Sum(1) + Sum2(1, 2)",
                                      "  ProcedureReturn Greet_internal(who)+Greet_internal(who)",
                                      "EndProcedure",
                                      "",
                                      "ProcedureDLL.s Both(who.s)",
                                      "  x = Sum(1) + Sum2(1, 2)",
                                      "  ProcedureReturn Greet_internal(who)+Greet_internal(who)",
                                      "EndProcedure"}));
}

TEST_F(FullBuild, CopiesTheManualIntoPureBasicsHelpFolder) {
  EXPECT_TRUE(platform::is_file(c.pb + "help" + kSep + "My.chm"));
}

#ifdef _WIN32
// Without hhc.exe on the search path, and with an hhc.exe that makes no
// manual, the built-in compiler makes it; the progress line says so.
TEST(HeadlessBuild, BuiltInCompilerMakesTheManualWithoutAWorkingHhc) {
  Case c("no_hhc");
  std::string source = c.src + "Lib.pb";
  ASSERT_TRUE(platform::write_file(source, kLibrarySource));
  auto step12 = [](const Case::Result& r) {
    for (const std::string& line : r.out)
      if (line.rfind("[12/19]", 0) == 0) return line;
    return std::string("(no step 12)");
  };
  auto hhc_runs = [&] {
    size_t n = 0;
    for (const std::string& line : lines_of(c.log)) n += line.rfind("hhc: ", 0) == 0;
    return n;
  };
  const std::string path = getenv("PATH");
  std::string without;  // PATH without the stand-in's folder
  for (size_t start = 0; start <= path.size();) {
    size_t end = path.find(';', start);
    if (end == std::string::npos) end = path.size();
    std::string entry = path.substr(start, end - start);
    if (!entry.empty() && !contains(entry, "standin")) without += (without.empty() ? "" : ";") + entry;
    start = end + 1;
  }
  set_env("PATH", without);
  Case::Result alone = c.run("build \"" + source + "\" --purebasic " + quoted_folder(c.pb));
  set_env("PATH", path);
  EXPECT_EQ(step12(alone),
            "[12/19] manual Lib.chm made by the built-in compiler, with full-text search; missing: Index.html");
  EXPECT_EQ(hhc_runs(), 0u);
  EXPECT_TRUE(contains(alone.out.back(), "ok ")) << alone.err;

  set_env("LH_FAKE_HHC_FAILS", "1");
  Case::Result failing = c.run("build \"" + source + "\" --purebasic " + quoted_folder(c.pb));
  set_env("LH_FAKE_HHC_FAILS", "");
  EXPECT_EQ(step12(failing),
            "[12/19] manual Lib.chm made by the built-in compiler (hhc.exe made no manual), "
            "with full-text search; missing: Index.html");
  EXPECT_EQ(hhc_runs(), 2u);  // once as the project says, once without search
  EXPECT_FALSE(contains(failing.err, "manual")) << failing.err;
  EXPECT_TRUE(platform::is_file(c.work + "Lib.chm"));
}
#endif

TEST(HeadlessBuild, LibraryNamedResidentKeepsItsDeclarationsApart) {
  Case c("resident");
  std::string source = c.src + "Resident.pb";
  ASSERT_TRUE(platform::write_file(source,
                                   "#A = 1 ;//Resident\r\nProcedureDLL.l One()\r\n  ProcedureReturn 1\r\n"
                                   "EndProcedure\r\n"));
  Case::Result r = c.run("build \"" + source + "\" --purebasic " + quoted_folder(c.pb));
  std::vector<std::string> tweaked = lines_of(c.work + "Resident.pb");
  ASSERT_FALSE(tweaked.empty()) << r.err;
  EXPECT_EQ(tweaked.back(), "EndProcedure");
  std::string resident_image;
  platform::read_file(c.pb + "Residents" + kSep + "Resident.res", resident_image);
  EXPECT_TRUE(contains(resident_image, "#A = 1 ;//Resident"));
  EXPECT_FALSE(contains(resident_image, "ProcedureDLL"));
}

// No resident lines: no declarations, no resident notes, six notes lines,
// and the resident file of an earlier build is gone; no resident file is
// expected, so a build without one is complete.
TEST(HeadlessBuild, SourceWithoutResidentLines) {
  Case c("no_resident");
  std::string source = c.src + "Plain.pb";
  ASSERT_TRUE(platform::write_file(source, "ProcedureDLL.l One() ; One\r\n  ProcedureReturn 1\r\nEndProcedure\r\n"));
  const std::string old_resident = c.pb + "Residents" + kSep + "Plain.res";
  platform::write_file(old_resident, "from an earlier build");
  Case::Result r = c.run("build \"" + source + "\" --purebasic " + quoted_folder(c.pb));
  EXPECT_FALSE(platform::exists(old_resident));
  EXPECT_FALSE(platform::exists(c.work + "Resident.pb"));
  EXPECT_FALSE(platform::exists(c.work + "Compilation.cod"));
  std::vector<std::string> notes = lines_of(c.work + "Compilation.txt");
  ASSERT_EQ(notes.size(), 6u);
  EXPECT_EQ(notes[0], ";//Library ");
  EXPECT_EQ(notes[5], ";//1 functions");
  for (const std::string& line : r.out) {
    if (line.rfind("ok ", 0) == 0 || line.rfind("missing ", 0) == 0) {
      EXPECT_FALSE(contains(line, "Plain.res")) << line;
    }
  }
  EXPECT_EQ(r.status, LH_EXPECT_INSTALLER ? 0 : 1) << r.err;
}

// A page of the source named "Compilation" shares the notes' files: its
// page shows the source's text, then the notes, and the resident code.
TEST(HeadlessBuild, SourcePageNamedCompilationShowsTheNotes) {
  Case c("compilation_page");
  std::string source = c.src + "Notes.pb";
  ASSERT_TRUE(platform::write_file(source,
                                   ";{//Compilation\r\n;// Built by the author.\r\n;}\r\n"
                                   "#Big = 1 ;//resident\r\n"
                                   "ProcedureDLL.l One() ; One\r\n  ProcedureReturn 1\r\nEndProcedure\r\n"));
  Case::Result r = c.run("build \"" + source + "\" --purebasic " + quoted_folder(c.pb));
  std::string page;
  ASSERT_TRUE(platform::read_file(c.work + "Compilation.html", page)) << r.err;
  const size_t own = page.find(" Built by the author.<br>");
  const size_t notes = page.find("LibHammer 6<br>");
  const size_t resident = page.find("#Big ");
  EXPECT_NE(own, std::string::npos) << page;
  EXPECT_NE(notes, std::string::npos) << page;
  EXPECT_NE(resident, std::string::npos) << page;
  EXPECT_LT(own, notes);
  EXPECT_LT(notes, resident);
}

TEST(HeadlessBuild, UnremovableWorkFolderIsReportedNotWaitedOn) {
  Case c("blocked");
  std::string source = c.src + "Lib.pb";
  platform::write_file(source, "ProcedureDLL A()\r\nEndProcedure\r\n");
  platform::create_folder(c.work);
  platform::create_folder(c.work + "Keep");
  platform::write_file(c.work + "Lib.pb", "old tweaked source");
  Case::Result r = c.run("build \"" + source + "\" --purebasic " + quoted_folder(c.pb));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "Keep")) << r.err;
  // Nothing of the build ran, and nothing was packaged.
  EXPECT_TRUE(lines_of(c.log).empty());
  for (const platform::FolderEntry& e : platform::list_folder(c.src)) EXPECT_EQ(e.name, "Lib.pb");
  EXPECT_FALSE(platform::exists(c.pb + "PureLibraries" + kSep + "UserLibraries" + kSep + "Lib"));
}

// `chm` on a project of its own: the manual where "Compiled file=" says, or,
// with a file missing that the project names, no manual, exit status 1 and
// the file named. A file that only a page links to is named and left out.
TEST(HeadlessBuild, ChmCommandCompilesAProjectOrNamesWhatIsMissing) {
  Case c("chm_command");
  platform::create_folder(c.src + "out");
  ASSERT_TRUE(platform::write_file(c.src + "Help.hhp",
                                   "[OPTIONS]\r\nCompiled file=out\\Help.chm\r\n"
                                   "Default topic=start.html\r\n[FILES]\r\npic.gif\r\n"));
  ASSERT_TRUE(platform::write_file(c.src + "start.html", "<a href=\"next.html\">next</a> <img src=\"pic.gif\">"));
  ASSERT_TRUE(platform::write_file(c.src + "next.html", "next"));
  Case::Result missing = c.run("chm \"" + c.src + "Help.hhp\"");
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(contains(missing.err, "missing: pic.gif")) << missing.err;
  EXPECT_FALSE(platform::exists(c.src + "out" + kSep + "Help.chm"));

  ASSERT_TRUE(platform::write_file(c.src + "pic.gif", "GIF89a"));
  Case::Result made = c.run("chm \"" + c.src + "Help.hhp\"");
  EXPECT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(made.out, std::vector<std::string>{"ok " + c.src + "out" + kSep + "Help.chm (3 files, 2 topics)"});
  std::string manual;
  ASSERT_TRUE(platform::read_file(c.src + "out" + kSep + "Help.chm", manual));
  EXPECT_EQ(manual.compare(0, 4, "ITSF"), 0);
  EXPECT_EQ(c.run("chm").status, 2);

  ASSERT_TRUE(platform::write_file(c.src + "next.html", "<img src=\"gone.gif\">"));
  Case::Result linked = c.run("chm \"" + c.src + "Help.hhp\"");
  EXPECT_EQ(linked.status, 0) << linked.err;
  EXPECT_TRUE(contains(linked.err, "missing: gone.gif (a page links to it; left out)")) << linked.err;
  EXPECT_TRUE(platform::exists(c.src + "out" + kSep + "Help.chm"));
}

std::vector<std::string> verdicts_of(const Case::Result& r) {
  std::vector<std::string> out;
  for (const std::string& line : r.out)
    if (line.rfind("ok ", 0) == 0 || line.rfind("missing ", 0) == 0) out.push_back(line);
  return out;
}

// Every line on standard output is the build's own.
void expect_only_own_lines(const Case::Result& r) {
  for (const std::string& line : r.out)
    EXPECT_TRUE(line.rfind('[', 0) == 0 || line.rfind("ok ", 0) == 0 || line.rfind("missing ", 0) == 0) << line;
}

const char* const kSmallSource =
    "#A = 1 ;//Resident\r\nProcedureDLL.l One() ; One\r\n  ProcedureReturn 1\r\nEndProcedure\r\n";
const char* const kTag = kSep == '\\' ? "x86" : "x64";

// A source named relative to the current folder: the verdicts still name
// every output by its full path.
TEST(HeadlessBuild, VerdictsNameFullPathsForARelativeSource) {
  Case c("relative");
  ASSERT_TRUE(platform::write_file(c.src + "Lib.pb", kSmallSource));
  Case::Result r = c.run("build Lib.pb --purebasic " + quoted_folder(c.pb), c.src);
  std::vector<std::string> verdicts = verdicts_of(r);
  ASSERT_EQ(verdicts.size(), 6u) << r.err;
  EXPECT_EQ(verdicts[0], "ok " + c.pb + "PureLibraries" + kSep + "UserLibraries" + kSep + "Lib");
  EXPECT_EQ(verdicts[3], "ok " + c.src + "Lib () " + kTag + ".7z");
  EXPECT_EQ(verdicts[4].substr(verdicts[4].find(' ') + 1), c.src + "Lib () " + kTag + ".exe");
}

// A failed run's own output is shown on standard error, named after its
// program, and kept off the progress lines.
TEST(HeadlessBuild, FailedRunShowsWhatItPrinted) {
  Case c("failed_run");
  ASSERT_TRUE(platform::write_file(c.src + "Lib.pb", kSmallSource));
  set_env("LH_FAKE_TAILBITE_FAIL", "1");
  Case::Result r = c.run("build \"" + c.src + "Lib.pb\" --purebasic " + quoted_folder(c.pb));
  set_env("LH_FAKE_TAILBITE_FAIL", "");
  EXPECT_EQ(r.status, 1);
  expect_only_own_lines(r);
  const std::string tailbite = c.pb + "TailBite" + kSep + exe("TailBite");
  EXPECT_TRUE(contains(r.err, "TailBite " + tailbite +
                                  " ended with exit code 1; its output:\n"
                                  "    Error: the stand-in was told to fail\n"))
      << r.err;
  EXPECT_EQ(verdicts_of(r)[0], "missing " + c.pb + "PureLibraries" + kSep + "UserLibraries" + kSep + "Lib");
}

// Faults of the machine or the tools: the build goes on or stops, with a
// clear word, never hangs, and claims no output that is not there.
TEST(HeadlessFaults, ReadOnlyFileInTheWorkFolder) {
  Case c("fault_read_only");
  ASSERT_TRUE(platform::write_file(c.src + "Lib.pb", kSmallSource));
  platform::create_folder(c.work);
  platform::write_file(c.work + "Old.txt", "left by an earlier build");
  platform::set_read_only(c.work + "Old.txt", true);
  Case::Result r = c.run("build \"" + c.src + "Lib.pb\" --purebasic " + quoted_folder(c.pb));
#ifdef _WIN32
  // Windows keeps a read-only file: nothing is built, and the file is named.
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "Old.txt")) << r.err;
  EXPECT_TRUE(verdicts_of(r).empty());
#else
  // Elsewhere the folder's permission decides: the file goes with it.
  EXPECT_EQ(r.status, LH_EXPECT_INSTALLER ? 0 : 1) << r.err;
  EXPECT_FALSE(platform::exists(c.work + "Old.txt"));
#endif
}

TEST(HeadlessFaults, UnwritablePureBasicFolder) {
  Case c("fault_pb");
  ASSERT_TRUE(platform::write_file(c.src + "Lib.pb", kSmallSource));
  // Each folder the build writes into inside PureBasic is a file instead:
  // nothing can be created there, whoever runs the test.
  const std::string libraries = c.pb + "PureLibraries" + kSep + "UserLibraries";
  for (const std::string& folder : {libraries, c.pb + "Residents", c.pb + "help", c.pb + "Library_Source"}) {
    platform::remove_folder(folder);
    ASSERT_TRUE(platform::write_file(folder, "not a folder"));
  }
  Case::Result r = c.run("build \"" + c.src + "Lib.pb\" --purebasic " + quoted_folder(c.pb));
  EXPECT_EQ(r.status, 1);
  expect_only_own_lines(r);
  std::vector<std::string> verdicts = verdicts_of(r);
  ASSERT_EQ(verdicts.size(), 6u) << r.err;
  EXPECT_EQ(verdicts[0], "missing " + libraries + kSep + "Lib");
  EXPECT_EQ(verdicts[5], "missing " + c.pb + "Residents" + kSep + "Lib.res");
  EXPECT_TRUE(contains(r.err, "Error: cannot write the library")) << r.err;
  EXPECT_TRUE(contains(r.err, "The PureBasic compiler ")) << r.err;
  EXPECT_TRUE(contains(r.err, "The manual could not be copied to " + c.pb + "help" + kSep + "Lib.chm")) << r.err;
}

TEST(HeadlessFaults, MissingIncludeFolder) {
  Case c("fault_include");
  ASSERT_TRUE(platform::write_file(c.src + "Lib.pb", kSmallSource));
  const std::string include = c.root + "gone";
  Case::Result r =
      c.run("build \"" + c.src + "Lib.pb\" --include \"" + include + "\" --purebasic " + quoted_folder(c.pb));
  EXPECT_EQ(r.status, LH_EXPECT_INSTALLER ? 0 : 1) << r.err;
  EXPECT_TRUE(contains(r.err, "The include folder " + include + kSep + " does not exist")) << r.err;
}

TEST(HeadlessFaults, NoHelpCompilerOnThePath) {
  Case c("fault_no_hhc");
  ASSERT_TRUE(platform::write_file(c.src + "Lib.pb", kSmallSource));
  const std::string path = platform::environment_variable("PATH");
#ifdef _WIN32
  set_env("PATH", "C:\\windows\\system32;C:\\windows");
#else
  set_env("PATH", c.root + "empty");
#endif
  Case::Result r = c.run("build \"" + c.src + "Lib.pb\" --purebasic " + quoted_folder(c.pb));
  set_env("PATH", path);
  // The built-in compiler makes the manual, and the build says so.
  EXPECT_EQ(r.status, LH_EXPECT_INSTALLER ? 0 : 1) << r.err;
  bool named = false;
  for (const std::string& line : r.out)
    named = named || contains(line, "[12/19] manual Lib.chm made by the built-in compiler");
  EXPECT_TRUE(named) << r.err;
  std::vector<std::string> verdicts = verdicts_of(r);
  ASSERT_EQ(verdicts.size(), 6u) << r.err;
  EXPECT_EQ(verdicts[1], "ok " + c.work + "Lib.chm");
  EXPECT_EQ(verdicts[0].substr(0, 3), "ok ");
}

TEST(HeadlessFaults, TailBiteThatAnswersVersWithoutEnd) {
  Case c("fault_endless_vers");
  ASSERT_TRUE(platform::write_file(c.src + "Lib.pb", kSmallSource));
  set_env("LH_FAKE_TAILBITE_VERS", "endless");
  Case::Result r = c.run("build \"" + c.src + "Lib.pb\" --purebasic " + quoted_folder(c.pb));
  set_env("LH_FAKE_TAILBITE_VERS", "");
  EXPECT_EQ(r.status, LH_EXPECT_INSTALLER ? 0 : 1) << r.err;
  EXPECT_TRUE(contains(r.err, "TailBite " + c.pb + "TailBite" + kSep + exe("TailBite") + " did not answer \"/VERS\""))
      << r.err;
  std::vector<std::string> notes = lines_of(c.work + "Compilation.txt");
  ASSERT_GE(notes.size(), 3u);
  EXPECT_EQ(notes[2], ";//TB ");
}

TEST(HeadlessBuild, CommandLineMistakesAndMissingTools) {
  Case c("usage");
#ifndef _WIN32
  // Without arguments the Windows program opens its window (tested with the
  // window); elsewhere it prints its usage.
  EXPECT_EQ(c.run("").status, 2);
#endif
  Case::Result version = c.run("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::vector<std::string>{"LibHammer 6"});
  EXPECT_EQ(c.run("--help").status, 0);
  EXPECT_EQ(c.run("frobnicate").status, 2);
  EXPECT_EQ(c.run("build").status, 2);
  Case::Result missing = c.run("build \"" + c.src + "nothing.pb\" --purebasic " + quoted_folder(c.pb));
  EXPECT_EQ(missing.status, 2);
  EXPECT_TRUE(contains(missing.err, "nothing.pb")) << missing.err;
  std::string source = c.src + "Lib.pb";
  platform::write_file(source, "");
  std::string empty = c.root + "empty";
  platform::create_folder(empty);
  Case::Result no_tailbite = c.run("build \"" + source + "\" --purebasic \"" + empty + "\"");
  EXPECT_EQ(no_tailbite.status, 2);
  EXPECT_TRUE(contains(no_tailbite.err, "Tailbite not found")) << no_tailbite.err;
  EXPECT_TRUE(lines_of(c.log).empty());
}

}  // namespace
}  // namespace lh
