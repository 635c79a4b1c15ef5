// The whole build on a file system in memory with scripted programs: no
// disk, no process.
#include <gtest/gtest.h>

#include <vector>

#include "base/cancellation.h"
#include "fakes/scripted_tool_runner.h"
#include "pipeline/build_phases.h"
#include "platform/memory_file_system.h"
#include "platform/paths.h"
#include "platform/whole_file.h"
#include "purebasic/tools.h"

namespace lh {
namespace {

using test::memory_root;

const std::string S(1, platform::separator());

// A library of one command; with `resident`, also a structure marked for
// the resident file.
std::string library_source(bool resident) {
  std::string text = "ProcedureDLL A()\r\nEndProcedure\r\n";
  if (resident) text += "Structure R ;//Resident\r\nEndStructure ;//Resident\r\n";
  return text;
}

struct MemoryBuild : testing::Test {
  platform::MemoryFileSystem files{false};
  test::ScriptedToolRunner tools{files};
  test::RecordingReporter reporter;
  AppState state;
  ManualModel model;
  BuildOptions options;
  std::string pb = memory_root() + "PureBasic" + S;
  std::string work = memory_root() + "Temp" + S + "LibHammer" + S;

  void SetUp() override {
    files.create_folder(pb);
    files.create_folder(memory_root() + "Temp");
    files.create_folder(memory_root() + "src");
    state.purebasic_folder = pb;
    state.work_folder = work;
    state.library_source = memory_root() + "src" + S + "Strings.pb";
    options.reporter = &reporter;
    options.work_folder_wait = std::chrono::milliseconds(0);
    tools.scripts[tailbite_path(files, pb)].answer = {"TailBite 1.4"};
    tools.scripts[tailbite_path(files, pb)].makes[user_library("Strings")] = "lib";
    tools.scripts[compiler_path(pb)].makes[pb + "Residents" + S + "Strings.res"] = "res";
  }

  std::string user_library(const std::string& name) const {
    return pb + "PureLibraries" + S + "UserLibraries" + S + name;
  }

  BuildOutcome build(bool resident = false) {
    files.write_file(state.library_source, library_source(resident));
    Build b(state, model, options, files, tools);
    return run_phases(b, build_phases());
  }
};

// The outside programs in the build's order, each command line as the run
// facility forms it; the work folder's files and the published manual are
// where the later steps and packaging look for them.
TEST_F(MemoryBuild, RunsTheProgramsInOrderWithTheirCommandLines) {
  tools.hhc = "hhc.exe";
  tools.scripts["hhc.exe"].makes[work + "Strings.chm"] = "ITSF hhc";
  const BuildOutcome outcome = build(true);
  EXPECT_EQ(tools.command_lines,
            (std::vector<std::string>{
                "\"" + tailbite_path(files, pb) + "\" /VERS",
                // The version query names the compiler's folder in lower case.
                "\"" + pb + "compilers" + S + "pbcompiler" + (S == "\\" ? ".exe" : "") + "\" /VERSION",
                "\"hhc.exe\" \"" + work + "Strings.hhp\"",
                "\"" + tailbite_path(files, pb) + "\" \"" + work + "Strings.pb\" /MULT /CHM:Strings",
                "\"" + compiler_path(pb) + "\" \"" + work + "Resident.pb\" /Resident \"" + pb + "Residents" + S +
                    "Strings.res\"",
                "open " + work + "Strings.chm",
            }));
  EXPECT_EQ(outcome.result, BuildResult::kBuilt);
  EXPECT_EQ(outcome.steps.size(), 19u);
  EXPECT_TRUE(outcome.problems.empty());
  EXPECT_TRUE(reporter.told.empty());
  std::string text;
  ASSERT_TRUE(files.read_file(work + "Strings.pb", text));
  EXPECT_EQ(text, library_source(true));
  ASSERT_TRUE(files.read_file(work + "Compilation.cod", text));
  EXPECT_EQ(text, "Structure R \r\nEndStructure \r\n");
  ASSERT_TRUE(files.read_file(work + "Strings.hhc", text));
  EXPECT_NE(text.find("<PARAM NAME=\"Local\" VALUE=\"A.html\">"), std::string::npos) << text;
  EXPECT_TRUE(files.is_file(work + "A.html"));
  ASSERT_TRUE(files.read_file(pb + "help" + S + "Strings.chm", text));
  EXPECT_EQ(text, "ITSF hhc");
  EXPECT_EQ(state.library_name, "Strings");
}

// An hhc.exe that makes no manual is run once more on a copy of the project
// without full-text search, and no built-in compiler follows; the user hears
// why the manual has no search tab, with what hhc.exe printed.
TEST_F(MemoryBuild, HhcThatFailsIsRunAgainWithoutSearch) {
  options.capture_runs = true;
  options.open_manual = false;
  tools.hhc = "hhc.exe";
  tools.scripts["hhc.exe"].exit_code = 0;
  tools.scripts["hhc.exe"].output = "HHC5010: Error: the index\r\n";
  const std::string again = "\"hhc.exe\" \"" + work + "Strings-nosearch.hhp\"";
  tools.calls[again].makes[work + "Strings.chm"] = "ITSF hhc";
  files.create_folder(pb + "PureLibraries");
  files.create_folder(pb + "PureLibraries" + S + "UserLibraries");  // where TailBite's library goes
  const BuildOutcome outcome = build();
  EXPECT_EQ(tools.command_lines[2], "\"hhc.exe\" \"" + work + "Strings.hhp\"");
  EXPECT_EQ(tools.command_lines[3], again);
  EXPECT_EQ(outcome.steps[11], "manual Strings.chm made by hhc.exe, without full-text search");
  EXPECT_TRUE(outcome.manual_made);
  ASSERT_EQ(reporter.told.size(), 2u);
  EXPECT_EQ(reporter.told[0].text, "The help compiler hhc.exe ended; its output:\n    HHC5010: Error: the index");
  EXPECT_EQ(reporter.told[1].text,
            "The help compiler ended with exit code 0 without making Strings.chm; it was compiled again without "
            "full-text search, so the manual has no search tab.");
  EXPECT_EQ(reporter.told[1].icon, MessageIcon::kInformation);
  EXPECT_FALSE(files.exists(work + "Strings-nosearch.hhp"));
  std::string text;
  ASSERT_TRUE(files.read_file(work + "Strings.hhp", text));
  EXPECT_NE(text.find("Full-text search=Yes"), std::string::npos);
  ASSERT_TRUE(files.read_file(pb + "help" + S + "Strings.chm", text));
  EXPECT_EQ(text, "ITSF hhc");
}

// hhc.exe ended by the user's stop: what it left is no manual, nothing else
// compiles one, no later step begins, and the end of the run names hhc.exe.
TEST_F(MemoryBuild, HhcStoppedLeavesNoManual) {
  Cancellation cancel;
  options.cancel = &cancel;
  tools.cancel = &cancel;
  tools.hhc = "hhc.exe";
  tools.scripts["hhc.exe"].stopped = true;
  tools.scripts["hhc.exe"].makes[work + "Strings.chm"] = "ITSF cut sh";
  const BuildOutcome outcome = build();
  EXPECT_TRUE(cancel.requested());
  EXPECT_EQ(outcome.ended_program, "hhc.exe");
  ASSERT_EQ(outcome.steps.size(), 12u);
  EXPECT_EQ(outcome.steps[11], "manual Strings.chm not made: hhc.exe was stopped");
  EXPECT_EQ(tools.command_lines.back(), "\"hhc.exe\" \"" + work + "Strings.hhp\"");
  EXPECT_FALSE(files.exists(work + "Strings.chm"));
  EXPECT_TRUE(reporter.told.empty());
}

// The built-in compiler cannot write the manual (here a folder stands where
// its temporary file goes): the build stops after that step, naming the
// manual as the user knows it, and no note about the manual follows.
TEST_F(MemoryBuild, ManualThatCannotBeWrittenStopsTheBuild) {
  std::vector<BuildPhase> phases(build_phases().begin(), build_phases().end());
  phases.insert(phases.begin() + 11, BuildPhase{"a folder in the manual's way", [](Build& b) {
                                                  const std::string manual = b.state.work_folder + b.name + ".chm";
                                                  return b.files.create_folder(platform::temporary_name_for(manual));
                                                }});
  files.write_file(state.library_source, library_source(false));
  Build b(state, model, options, files, tools);
  const BuildOutcome outcome = run_phases(b, phases);
  EXPECT_EQ(outcome.result, BuildResult::kWriteFailed);
  ASSERT_EQ(outcome.steps.size(), 12u);
  EXPECT_EQ(outcome.steps[11].rfind("manual Strings.chm not made: " + work + "Strings.chm cannot be written", 0), 0u)
      << outcome.steps[11];
  EXPECT_EQ(outcome.write_failure.path, work + "Strings.chm");
  ASSERT_EQ(reporter.told.size(), 1u);
  EXPECT_EQ(reporter.told[0].text,
            work + "Strings.chm could not be written: it could not be written. The build stopped at this step.");
  EXPECT_FALSE(files.is_file(work + "Strings.chm"));
  EXPECT_TRUE(state.library_name.empty());
}

// A TailBite that fails is recorded with its exit code and what it printed,
// and the user hears it; the build goes on to the resident file.
TEST_F(MemoryBuild, FailingTailBiteIsRecordedWithItsExitCode) {
  options.capture_runs = true;
  options.open_manual = false;
  test::ScriptedToolRunner::Script& tailbite = tools.scripts[tailbite_path(files, pb)];
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

// Each step is reported as it begins, with its headless line and its place
// among the run's steps; a cancellation requested during a step lets that
// step end and begins no other, and the stop is not told as a problem.
TEST_F(MemoryBuild, CancellationDuringAStepBeginsNoOther) {
  struct CancelAtTailBite final : Reporter {
    Cancellation cancel;
    std::vector<BuildProgress> progressed;
    void tell(const std::string&, const std::string&, MessageIcon) override { ADD_FAILURE() << "told something"; }
    bool ask(const std::string&, const std::string&) override { return false; }
    void progress(const BuildProgress& p) override {
      progressed.push_back(p);
      if (p.line == "[16/19] TailBite") cancel.request();
    }
  } stopper;
  options.reporter = &stopper;
  options.cancel = &stopper.cancel;
  const BuildOutcome outcome = build(true);
  ASSERT_EQ(outcome.steps.size(), 16u);
  EXPECT_EQ(tools.command_lines.back().find("\"" + tailbite_path(files, pb) + "\" \""), 0u)
      << tools.command_lines.back();
  EXPECT_FALSE(files.is_file(pb + "help" + S + "Strings.chm"));
  ASSERT_EQ(stopper.progressed.size(), 16u);
  for (std::size_t i = 0; i < 16; ++i) {
    EXPECT_EQ(stopper.progressed[i].done, static_cast<int>(i));
    EXPECT_EQ(stopper.progressed[i].total, kBuildSteps + 1);
    EXPECT_EQ(stopper.progressed[i].line, progress_line(static_cast<int>(i) + 1, outcome.steps[i]));
  }
}

// A library named "Resident" takes the declarations' file name for its
// tweaked source: the declarations move aside, and the compiler is given
// them under their new name.
TEST_F(MemoryBuild, LibraryNamedResidentMovesTheDeclarationsAside) {
  state.library_source = memory_root() + "src" + S + "Resident.pb";
  options.open_manual = false;
  build(true);
  std::string text;
  ASSERT_TRUE(files.read_file(work + "Resident declarations.pb", text));
  EXPECT_EQ(text, "Structure R ;//Resident\r\nEndStructure ;//Resident\r\n");
  ASSERT_TRUE(files.read_file(work + "Resident.pb", text));
  EXPECT_EQ(text, library_source(true));
  EXPECT_NE(tools.command_lines.back().find("\"" + work + "Resident declarations.pb\" /Resident"), std::string::npos)
      << tools.command_lines.back();
}

}  // namespace
}  // namespace lh
