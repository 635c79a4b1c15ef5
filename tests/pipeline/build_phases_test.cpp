// The build's phases on a file system in memory with scripted programs: no
// disk, no process. The source stages (steps 5 to 11) still work on the real
// disk, so they are replaced here by one stand-in that leaves what they
// would: the help project, the resident declarations and the line list.
#include <gtest/gtest.h>

#include <vector>

#include "fakes/scripted_tool_runner.h"
#include "pipeline/build_phases.h"
#include "platform/memory_file_system.h"
#include "platform/paths.h"
#include "purebasic/tools.h"

namespace lh {
namespace {

using test::memory_root;

const std::string S(1, platform::separator());

bool source_stages_stand_in(Build& b) {
  const std::string& work = b.state.work_folder;
  b.files.write_file(work + b.name + ".hhp", "[OPTIONS]\r\n");
  if (b.state.exported_count > 0) b.files.write_file(work + "Resident.pb", "Structure R\r\nEndStructure\r\n");
  b.model.lines.lines = {"ProcedureDLL A()", "EndProcedure"};
  return true;
}

bool nothing(Build&) { return true; }

// The build's list with steps 5-7 and 9-11 replaced; TailBite's "/VERS"
// (step 8) goes through the scripted runner as it is.
std::vector<BuildPhase> phases_without_source_stages() {
  std::vector<BuildPhase> phases(build_phases().begin(), build_phases().end());
  for (BuildPhase& phase : phases) {
    const std::string name = phase.name;
    if (name == "copy the include folder") phase.run = source_stages_stand_in;
    if (name == "split the source" || name == "resident notes" || name == "compilation notes" ||
        name == "Compilation page" || name == "help pages and project")
      phase.run = nothing;
  }
  return phases;
}

struct MemoryBuild : testing::Test {
  platform::MemoryFileSystem files{false};
  test::ScriptedToolRunner tools{files};
  test::RecordingReporter reporter;
  AppState state;
  SourceModel model;
  ContentsRegister contents;
  BuildOptions options;
  std::string pb = memory_root() + "PureBasic" + S;
  std::string work = memory_root() + "Temp" + S + "LibHammer" + S;

  void SetUp() override {
    files.create_folder(pb);
    files.create_folder(memory_root() + "Temp");
    state.purebasic_folder = pb;
    state.work_folder = work;
    state.library_source = memory_root() + "src" + S + "Strings.pb";
    options.reporter = &reporter;
    options.work_folder_wait = std::chrono::milliseconds(0);
    tools.scripts[tailbite_path(pb)].answer = {"TailBite 1.4"};
    tools.scripts[tailbite_path(pb)].makes[user_library("Strings")] = "lib";
    tools.scripts[compiler_path(pb)].makes[pb + "Residents" + S + "Strings.res"] = "res";
  }

  std::string user_library(const std::string& name) const {
    return pb + "PureLibraries" + S + "UserLibraries" + S + name;
  }

  BuildOutcome build() {
    Build b(state, model, contents, options, files, tools);
    return run_phases(b, phases_without_source_stages());
  }
};

// The outside programs in the build's order, each command line as the run
// facility forms it; the work folder's files and the published manual are
// where the later steps and packaging look for them.
TEST_F(MemoryBuild, RunsTheProgramsInOrderWithTheirCommandLines) {
  state.exported_count = 1;
  tools.hhc = "hhc.exe";
  tools.scripts["hhc.exe"].makes[work + "Strings.chm"] = "ITSF hhc";
  const BuildOutcome outcome = build();
  EXPECT_EQ(tools.command_lines,
            (std::vector<std::string>{
                "\"" + tailbite_path(pb) + "\" /VERS",
                "\"hhc.exe\" \"" + work + "Strings.hhp\"",
                "\"" + tailbite_path(pb) + "\" \"" + work + "Strings.pb\" /MULT /CHM:Strings",
                "\"" + compiler_path(pb) + "\" \"" + work + "Resident.pb\" /Resident \"" + pb + "Residents" + S +
                    "Strings.res\"",
                "open " + work + "Strings.chm",
            }));
  EXPECT_EQ(outcome.result, BuildResult::kBuilt);
  EXPECT_EQ(outcome.steps.size(), 13u);  // the stand-in phases announce nothing
  EXPECT_TRUE(outcome.problems.empty());
  EXPECT_TRUE(reporter.told.empty());
  std::string text;
  ASSERT_TRUE(files.read_file(work + "Strings.pb", text));
  EXPECT_EQ(text, "ProcedureDLL A()\r\nEndProcedure\r\n");
  ASSERT_TRUE(files.read_file(pb + "help" + S + "Strings.chm", text));
  EXPECT_EQ(text, "ITSF hhc");
  EXPECT_EQ(state.library_name, "Strings");
}

// A TailBite that fails is recorded with its exit code and what it printed,
// and the user hears it; the build goes on to the resident file.
TEST_F(MemoryBuild, FailingTailBiteIsRecordedWithItsExitCode) {
  options.capture_runs = true;
  options.open_manual = false;
  test::ScriptedToolRunner::Script& tailbite = tools.scripts[tailbite_path(pb)];
  tailbite.exit_code = 3;
  tailbite.output = "Error: line 2\r\n";
  tailbite.makes.clear();
  const BuildOutcome outcome = build();
  const ToolRecord* run = find_run(outcome, "TailBite");
  ASSERT_NE(run, nullptr);
  EXPECT_EQ(run->step, 16);
  EXPECT_TRUE(run->started);
  EXPECT_EQ(run->exit_code, 3);
  EXPECT_FALSE(run->made);
  ASSERT_EQ(outcome.problems.size(), 1u);
  EXPECT_EQ(outcome.problems[0].step, 16);
  const std::string& told = outcome.problems[0].text;
  EXPECT_NE(told.find("ended with exit code 3"), std::string::npos) << told;
  EXPECT_NE(told.find("    Error: line 2"), std::string::npos) << told;
  EXPECT_NE(told.find(user_library("Strings") + " was not made."), std::string::npos) << told;
  ASSERT_EQ(reporter.told.size(), 1u);
  EXPECT_EQ(reporter.told[0].text, told);
  EXPECT_EQ(reporter.told[0].icon, MessageIcon::kError);
  // No declarations, so no resident file was to come: the compiler's
  // failure is recorded, not told.
  ASSERT_NE(find_run(outcome, "The PureBasic compiler"), nullptr);
  EXPECT_EQ(tools.command_lines.back().find("\"" + compiler_path(pb) + "\""), 0u);
}

// A work folder that cannot go stops the build before anything runs: the
// user is told what blocks it, and packaging finds no library name.
TEST_F(MemoryBuild, BlockedWorkFolderStopsTheBuild) {
  files.create_folder(work);
  files.create_folder(work + "sub");
  files.write_file(work + "old.txt", "x");
  state.library_name = "Old";
  const BuildOutcome outcome = build();
  EXPECT_EQ(outcome.result, BuildResult::kWorkFolderBlocked);
  EXPECT_EQ(outcome.steps.size(), 3u);
  EXPECT_TRUE(tools.command_lines.empty());
  EXPECT_FALSE(files.exists(work + "old.txt"));
  ASSERT_EQ(reporter.told.size(), 1u);
  EXPECT_NE(reporter.told[0].text.find("sub" + S), std::string::npos) << reporter.told[0].text;
  EXPECT_TRUE(state.library_name.empty());
  EXPECT_FALSE(state.build_ran);
}

// A library named "Resident" takes the declarations' file name for its
// tweaked source: the declarations move aside, and the compiler is given
// them under their new name.
TEST_F(MemoryBuild, LibraryNamedResidentMovesTheDeclarationsAside) {
  state.library_source = memory_root() + "src" + S + "Resident.pb";
  state.exported_count = 1;
  options.open_manual = false;
  build();
  std::string text;
  ASSERT_TRUE(files.read_file(work + "Resident declarations.pb", text));
  EXPECT_EQ(text, "Structure R\r\nEndStructure\r\n");
  ASSERT_TRUE(files.read_file(work + "Resident.pb", text));
  EXPECT_EQ(text, "ProcedureDLL A()\r\nEndProcedure\r\n");
  EXPECT_NE(tools.command_lines.back().find("\"" + work + "Resident declarations.pb\" /Resident"), std::string::npos)
      << tools.command_lines.back();
}

}  // namespace
}  // namespace lh
