#include <gtest/gtest.h>

#include <chrono>

#include "fakes/fake_purebasic.h"
#include "fakes/scripted_tool_runner.h"
#include "fakes/standin_support.h"
#include "pipeline/notes.h"
#include "pipeline/pipeline.h"
#include "pipeline/work_folder.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/memory_file_system.h"
#include "purebasic/tool_runner.h"
#include "purebasic/tools.h"
#include "source/line_reader.h"

namespace lh {
namespace {

std::tm at(int year, int month, int day, int hour, int minute) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  return t;
}

// A folder of its own under the temporary folder, emptied first.
std::string fresh_folder(const std::string& name) {
  std::string folder = temp_folder() + "lh_build_test_" + name + platform::separator();
  delete_work_folder(platform::real_file_system(), folder);
  for (const auto& e : platform::list_folder(folder))
    if (e.is_folder) {
      delete_work_folder(platform::real_file_system(), folder + e.name + platform::separator());
    }
  platform::remove_folder(folder);
  platform::create_folder(folder);
  return folder;
}

TEST(CompilationNotes, DateMask) {
  EXPECT_EQ(format_date(kNotesDateMask, at(2012, 2, 1, 9, 5)), "01/02/12 09h05");
  EXPECT_EQ(format_date(kNotesDateMask, at(2012, 12, 31, 23, 59)), "31/12/12 23h59");
  EXPECT_EQ(format_date("%yyyy-%ss %x", at(2009, 1, 1, 0, 0)), "2009-00 %x");
}

// The notes written into a work folder held in memory.
struct NotesRun {
  platform::MemoryFileSystem fs;
  std::string work = platform::separator() == '/' ? "/w/" : "C:\\w\\";
  ManualModel model;
  NotesRun() { fs.create_folder(work); }
  std::string file(const std::string& name) {
    std::string text;
    fs.read_file(work + name, text);
    return text;
  }
  const ManualEntry& page() { return *find_entry(model.entries, "Compilation"); }
};

TEST(CompilationNotes, LinesWithoutVersionResidentOrCommands) {
  NotesRun run;
  NotesInput in;
  in.compiler_version_line = "PureBasic 6.04 LTS (Windows - x86) extra)";
  in.tailbite_version = "TailBite 1.4";
  in.time = at(2012, 2, 1, 9, 5);
  write_compilation_notes(run.fs, run.work, in, run.model);
  EXPECT_EQ(split_lines(run.file("Compilation.txt")),
            (std::vector<std::string>{";//Library ", ";//PureBasic 6.04 LTS (Windows - x86)", ";//TB TailBite 1.4",
                                      ";//LibHammer 6", ";//01/02/12 09h05", ";//0 functions"}));
  EXPECT_EQ(run.page().text, run.file("Compilation.txt"));
}

TEST(CompilationNotes, VersionLineWithoutParenthesisAndNoOutput) {
  NotesRun run;
  NotesInput in;
  in.library_version = " 2";
  in.compiler_version_line = "PB 6";
  in.exported_count = 12;
  write_compilation_notes(run.fs, run.work, in, run.model);
  in.compiler_version_line.clear();
  write_compilation_notes(run.fs, run.work, in, run.model);
  std::vector<std::string> lines = split_lines(run.file("Compilation.txt"));
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], ";//Library  2");
  EXPECT_EQ(lines[1], ";//PB 6)");
  EXPECT_EQ(lines[5], ";//12 functions");
  EXPECT_EQ(lines[7], ";//)");
}

// A source page named "Compilation" left its text and code: the notes go
// after its text and their declarations replace its code, in the folder and
// in the model alike.
TEST(CompilationNotes, ResidentMarkerRemovedOnlyInItsOwnCaseAfterTheSourcesPage) {
  NotesRun run;
  run.model.resident_declarations = "Structure P ;//Resident\r\n#A = 1 ;//RESIDENT\r\nX ;//Resident;//Resident\r\n";
  ManualEntry& page = entry_of(run.model.entries, "Compilation");
  page.text = ";// from the source\r\n";
  page.code = "source code\r\n";
  run.fs.write_file(run.work + "Compilation.txt", *page.text);
  run.fs.write_file(run.work + "Compilation.cod", *page.code);
  write_resident_notes(run.fs, run.work, run.model);
  EXPECT_EQ(split_lines(run.file("Compilation.cod")),
            (std::vector<std::string>{"Structure P ", "#A = 1 ;//RESIDENT", "X "}));
  write_compilation_notes(run.fs, run.work, {}, run.model);
  std::vector<std::string> lines = split_lines(run.file("Compilation.txt"));
  EXPECT_EQ(lines.front(), ";// from the source");
  EXPECT_EQ(lines.back(), ";//<BR>Resident below");
  EXPECT_EQ(run.page().text, run.file("Compilation.txt"));
  EXPECT_EQ(run.page().code, run.file("Compilation.cod"));
}

TEST(Pipeline, LibraryNameAndResidentDeclarations) {
  EXPECT_EQ(library_name_of("C:\\Libs\\My.Lib.pb"), "My");
  EXPECT_EQ(library_name_of("/home/a.b/Tools"), "Tools");
  const std::string w = "W/";
  EXPECT_EQ(resident_declarations_path(w, "Residents"), "W/Resident.pb");
  // The tweaked source of a library named Resident takes "Resident.pb".
  for (const char* name : {"Resident", "resident", "RESIDENT"})
    EXPECT_NE(resident_declarations_path(w, name), w + name + ".pb") << name;
}

// A missing folder passes even with no time to wait; a subfolder keeps
// the folder (folders are never removed) and is named to the user.
TEST(WorkFolder, MissingFolderPassesAndSubfolderBlocksAndIsNamed) {
  platform::MemoryFileSystem files;
  const std::string folder = test::memory_root() + "LibHammer" + platform::separator();
  EXPECT_TRUE(wait_until_gone(files, folder, std::chrono::milliseconds(0)));
  ASSERT_TRUE(files.create_folder(folder));
  ASSERT_TRUE(files.create_folder(folder + "Keep"));
  ASSERT_TRUE(files.write_file(folder + "old.txt", "x"));
  delete_work_folder(files, folder);
  EXPECT_FALSE(files.exists(folder + "old.txt"));
  EXPECT_FALSE(wait_until_gone(files, folder, std::chrono::milliseconds(0)));
  std::vector<std::string> entries = blocking_entries(files, folder);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0], std::string("Keep") + platform::separator());
  EXPECT_NE(blocked_work_folder_message(folder, entries).find("Keep"), std::string::npos);
}

// A compiler or TailBite that never answers its version query, or answers
// without end, is ended once the wait is over and named to the user; the
// notes then go on as when no line came.
TEST(VersionQueries, SilentOrEndlessToolsAreStoppedAndNamed) {
  const std::string pb = fresh_folder("versions");
  ASSERT_TRUE(fakes::lay_out_purebasic(pb));
  const std::string tailbite = tailbite_path(platform::real_file_system(), pb);
  ProcessVersionAsker tools;
  std::vector<std::string> told;
  std::string line;
  auto compiler_version = [&](std::chrono::milliseconds wait) {
    std::string error;
    if (!compiler_version_line(tools, pb, wait, line, &error) && !error.empty()) told.push_back(error);
    return line;
  };
  auto tailbite_version = [&](std::chrono::milliseconds wait) {
    std::string error;
    if (!tailbite_version_text(tools, tailbite, wait, line, &error) && !error.empty()) told.push_back(error);
    return line;
  };
  const std::chrono::milliseconds wait(500);
  for (const char* mode : {"silent", "endless"}) {
    test::set_env("LH_FAKE_PB_VERSION_MODE", mode);
    test::set_env("LH_FAKE_TAILBITE_VERS", mode);
    told.clear();
    EXPECT_EQ(compiler_version(wait), "") << mode;
    EXPECT_EQ(tailbite_version(wait), "") << mode;
    ASSERT_EQ(told.size(), 2u) << mode;
    EXPECT_NE(told[0].find("compiler " + pb), std::string::npos) << told[0];
    EXPECT_NE(told[0].find("\"/VERSION\""), std::string::npos) << told[0];
    EXPECT_NE(told[1].find("TailBite " + tailbite + " did not answer \"/VERS\""), std::string::npos) << told[1];
  }
  test::unset_env("LH_FAKE_PB_VERSION_MODE");
  test::unset_env("LH_FAKE_TAILBITE_VERS");
  told.clear();
  EXPECT_EQ(tailbite_version(kVersionAnswerWait), "TailBite 1.4.12 (stand-in)");
  EXPECT_FALSE(compiler_version(kVersionAnswerWait).empty());
  EXPECT_TRUE(told.empty());
  // The stopped stand-ins have ended: on Windows a running program's file
  // could not be deleted.
  test::remove_tree(pb);
  EXPECT_FALSE(platform::exists(pb));
}

}  // namespace
}  // namespace lh
