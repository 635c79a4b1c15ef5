// The run facility against real child processes (the echo stand-in).
#include "platform/run_program.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "base/cancellation.h"
#include "fakes/standin_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace lh {
namespace {

using test::echo_program;
using test::read_all_lines;

std::vector<std::string> capture(const std::string& arguments, const std::string& folder = "") {
  ProgramHandle p = run_capture(echo_program(), arguments, folder);
  EXPECT_NE(p, nullptr);
  return p ? read_all_lines(std::move(p)) : std::vector<std::string>{};
}

std::string log_lines(const std::string& log) { return test::read_text(log); }

TEST(CommandLine, QuotesOnlyTheProgramAndNeverAddsATrailingSpace) {
  EXPECT_EQ(command_line_for("C:\\Pure Basic\\x.exe", ""), "\"C:\\Pure Basic\\x.exe\"");
  EXPECT_EQ(command_line_for("C:\\x.exe", "/VERSION"), "\"C:\\x.exe\" /VERSION");
  EXPECT_EQ(command_line_for("\"C:\\x.exe\"", "a \"b c\""), "\"C:\\x.exe\" a \"b c\"");
}

TEST(CommandLine, ReachesTheChildAsFormed) {
  const std::string folder = test::scratch_folder("cmdline");
  const std::string log = folder + "log.txt";
  test::set_env("LH_FAKE_LOG", log);
  EXPECT_TRUE(run_hidden_wait(echo_program(), "", ""));                   // no arguments
  EXPECT_TRUE(run_hidden_wait(test::quoted(echo_program()), "--x", ""));  // already quoted
  test::unset_env("LH_FAKE_LOG");
#ifdef _WIN32
  // The raw command line: one pair of quotes, no trailing space.
  EXPECT_EQ(log_lines(log), "echo: \"" + echo_program() + "\"\necho: \"" + echo_program() + "\" --x\n");
#else
  EXPECT_EQ(log_lines(log), "echo: " + echo_program() + "\necho: " + echo_program() + " --x\n");
#endif
  test::remove_tree(folder);
}

// The same words on both systems: on Windows the C runtime splits the line,
// elsewhere the facility does it by the same rules.
TEST(CommandLine, ArgumentsSplitByTheCRuntimeRules) {
  std::vector<std::string> words = capture(
      "--argv plain \"two words\" C:\\path\\ a\\\\\\\"b \"x\\\\\" q\\\"q \"in\"\"side\" "
      "mid\"dle part\"end \"\" \ttabbed");
  std::vector<std::string> expected = {"[plain]", "[two words]", "[C:\\path\\]",     "[a\\\"b]", "[x\\]",
                                       "[q\"q]",  "[in\"side]",  "[middle partend]", "[]",       "[tabbed]"};
  EXPECT_EQ(words, expected);
}

TEST(Output, LinesEndAtCrLfOrCrLfAndTheLastNeedsNoEnd) {
  EXPECT_EQ(capture("--out a\\r\\nb"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(capture("--out a\\rb\\n\\nc\\r\\n"), (std::vector<std::string>{"a", "b", "", "c"}));
  // A CR that ends one write and the LF that starts the next are one line end.
  EXPECT_EQ(capture("--out a\\r --sleep 300 --out \\nb\\r\\n"), (std::vector<std::string>{"a", "b"}));
}

TEST(Output, ProgramThatPrintsNothingEndsWithoutALine) {
  ProgramHandle handle = run_capture(echo_program(), "--exit 3", "");
  Program* p = handle.get();
  ASSERT_NE(p, nullptr);
  int loops = 0;
  while (program_running(p)) ++loops;
  EXPECT_EQ(available_output(p), 0u);
  EXPECT_EQ(read_output_line(p), "");
  EXPECT_EQ(program_exit_code(p), 3);
}

TEST(Output, LargeOutputArrivesWholeAndInOrder) {
  std::vector<std::string> lines = capture("--lines 20000");
  ASSERT_EQ(lines.size(), 20000u);
  EXPECT_EQ(lines.front(), "line 1");
  EXPECT_EQ(lines[12344], "line 12345");
  EXPECT_EQ(lines.back(), "line 20000");
}

TEST(Output, WaitingWithAPipeDoesNotStallTheChild) {
  // More output than any pipe holds: the facility drains it while it waits.
  ProgramHandle handle;
  ASSERT_TRUE(run_program(echo_program(), "--bytes 300000 --out \\nend", "",
                          RunOption::kWait | RunOption::kKeep | RunOption::kRead, &handle));
  ASSERT_NE(handle, nullptr);
  Program* p = handle.get();
  EXPECT_EQ(read_output_line(p), std::string(300000, 'x'));
  EXPECT_EQ(read_output_line(p), "end");
  EXPECT_FALSE(program_running(p));
}

TEST(Start, ProgramThatCannotBeStartedGivesZero) {
  const std::string missing = test::scratch_folder("missing") + "no-such-program.exe";
  ProgramHandle p = run_capture(echo_program(), "", "");  // emptied by the failed run
  EXPECT_FALSE(run_program(missing, "", "", RunOption::kHide | RunOption::kKeep | RunOption::kRead, &p));
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(run_capture(missing, "/VERSION", ""), nullptr);
  EXPECT_FALSE(run_visible_wait(missing, "", ""));  // the open action fails as well
  EXPECT_FALSE(run_open(missing, "", ""));
  // A missing working folder is a failed start too.
  EXPECT_EQ(run_capture(echo_program(), "", missing + "-folder"), nullptr);
}

TEST(Mechanics, WaitRunsReturnAfterTheChildEnded) {
  const std::string folder = test::scratch_folder("wait");
  EXPECT_TRUE(run_visible_wait(echo_program(), "--sleep 300 --touch \"" + folder + "v.txt\"", ""));
  EXPECT_TRUE(platform::is_file(folder + "v.txt"));
  EXPECT_TRUE(run_hidden_wait(echo_program(), "--sleep 300 --touch \"" + folder + "h.txt\"", ""));
  EXPECT_TRUE(platform::is_file(folder + "h.txt"));
  test::remove_tree(folder);
}

TEST(Mechanics, HiddenRunWithoutReadWritesNowhere) {
  // A hidden run (the archiver's) has no console: its chatter must not mix
  // into the program's own output.
  testing::internal::CaptureStdout();
  EXPECT_TRUE(run_hidden_wait(echo_program(), "--out hidden-run\\n", ""));
  EXPECT_TRUE(run_visible_wait(echo_program(), "--out visible-run\\n", ""));
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.find("hidden-run"), std::string::npos) << out;
#ifndef _WIN32
  EXPECT_NE(out.find("visible-run"), std::string::npos) << out;
#endif
}

TEST(Mechanics, OpenRunDoesNotWait) {
  // The child goes on only once the test lets it: a run that waited for it
  // would return only after its minute is over, with the file written.
  const std::string folder = test::scratch_folder("open");
  EXPECT_TRUE(run_open(echo_program(), "--wait-for \"" + folder + "go.txt\" --touch \"" + folder + "o.txt\"", ""));
  EXPECT_FALSE(platform::is_file(folder + "o.txt"));
  platform::write_file(folder + "go.txt", "go");
  EXPECT_TRUE(test::wait_for_file(folder + "o.txt"));
  test::remove_tree(folder);
}

TEST(Mechanics, CaptureRunsReadOutputInTheGivenFolder) {
  const std::string folder = test::scratch_folder("capture");
  std::string bare = folder.substr(0, folder.size() - 1);
  EXPECT_EQ(capture("--cwd --out last", folder), (std::vector<std::string>{bare, "last"}));
  ProgramHandle handle = run_hidden_capture(echo_program(), "--out hidden\\r\\n --exit 4", folder);
  Program* p = handle.get();
  ASSERT_NE(p, nullptr);
  std::vector<std::string> lines;
  while (program_running(p)) {
    if (available_output(p) != 0) lines.push_back(read_output_line(p));
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"hidden"}));
  EXPECT_EQ(program_exit_code(p), 4);
  test::remove_tree(folder);
}

// CPU time used by this process so far, in seconds.
double cpu_seconds() {
#ifdef _WIN32
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
#else
  return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
#endif
}

TEST(Mechanics, ReaderWaitsInsteadOfSpinning) {
  // The system's readers poll without pausing; the facility must wait on
  // the child meanwhile rather than burn a processor.
  const double cpu_before = cpu_seconds();
  const auto wall_before = std::chrono::steady_clock::now();
  std::vector<std::string> lines = capture("--out first\\r\\n --sleep 1500 --out second");
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_before).count();
  const double cpu = cpu_seconds() - cpu_before;
  EXPECT_EQ(lines, (std::vector<std::string>{"first", "second"}));
  EXPECT_GE(wall, 1.4);
  EXPECT_LT(cpu, 0.2 * wall) << "reader used " << cpu << " s of CPU in " << wall << " s";
}

#ifndef _WIN32
// A cancellation requested while the facility waits ends the child it
// waits for, and the run says so; a run asked for afterwards never starts.
TEST(Mechanics, CancelledWaitEndsTheChildAndNoLaterRunStarts) {
  const std::string folder = test::scratch_folder("cancel");
  Cancellation cancel;
  std::thread stopper([&] {
    test::wait_for_file(folder + "started");
    cancel.request();
  });
  // Without the request the child would wait a minute for a file that
  // never comes.
  const CapturedRun run = run_wait(
      echo_program(), "--touch " + test::quoted(folder + "started") + " --wait-for " + test::quoted(folder + "never"),
      "", true, true, &cancel);
  stopper.join();
  EXPECT_TRUE(run.started);
  EXPECT_TRUE(run.stopped);
  EXPECT_EQ(run.exit_code, -1);
  const CapturedRun later =
      run_wait(echo_program(), "--touch " + test::quoted(folder + "later"), "", true, false, &cancel);
  EXPECT_FALSE(later.started);
  EXPECT_TRUE(later.stopped);
  EXPECT_FALSE(platform::exists(folder + "later"));
  test::remove_tree(folder);
}

TEST(Mechanics, DocumentOpensThroughTheOpenAction) {
  // A stand-in xdg-open first on the search path records what it was given.
  const std::string folder = test::scratch_folder("document");
  const std::string opener = folder + "xdg-open";
  platform::write_file(opener, "#!/bin/sh\necho \"$@\" > \"" + folder + "opened.txt\"\n");
  platform::make_executable(opener);
  const std::string old_path = platform::environment_variable("PATH");
  test::set_env("PATH", folder.substr(0, folder.size() - 1) + ":" + old_path);
  const std::string document = folder + "Strings.chm";
  platform::write_file(document, "not a program");

  EXPECT_TRUE(run_visible_wait(document, "", ""));
  EXPECT_EQ(test::read_text(folder + "opened.txt"), document + "\n");
  platform::delete_file(folder + "opened.txt");
  EXPECT_TRUE(run_open(test::quoted(document), "", ""));  // quoted path, no wait
  EXPECT_TRUE(test::wait_for_file(folder + "opened.txt"));
  EXPECT_EQ(test::read_text(folder + "opened.txt"), document + "\n");
  // With read there is no second attempt.
  EXPECT_EQ(run_capture(document, "", ""), nullptr);

  test::set_env("PATH", old_path);
  test::remove_tree(folder);
}
#endif

}  // namespace
}  // namespace lh
