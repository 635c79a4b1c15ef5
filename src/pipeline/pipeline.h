// The build: one run from the library source to the user library, the
// resident file and the manual, in a fixed order of nineteen steps. The
// packages are made afterwards by the caller (make_packages).
#pragma once

#include <chrono>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/app_state.h"
#include "platform/whole_file.h"
#include "purebasic/tools.h"
#include "source/manual_model.h"

namespace lh {

inline constexpr int kBuildSteps = 19;
// What the progress of a whole run counts: the build's steps, then
// packaging.
inline constexpr int kRunSteps = kBuildSteps + 1;

class Cancellation;
class Reporter;
class ToolRunner;
namespace platform {
class FileSystem;
}

struct BuildOptions {
  // Step 18 shows the manual in the system's help viewer; the headless
  // build leaves it out.
  bool open_manual = true;
  // Is told as each step begins (its progress line, see progress_line; step
  // 12 once the manual is made, naming the compiler that made it), why the
  // build stopped, which tool did not answer, what a failed run printed and
  // the note on the manual, as each is recorded. Null: recorded in the
  // outcome only.
  Reporter* reporter = nullptr;
  // Once requested, no further step begins, and the outside program the
  // build is waiting for is ended. Null: the build runs to its end.
  const Cancellation* cancel = nullptr;
  // Headless: the help compiler's, TailBite's and the compiler's build runs
  // are captured instead of writing into the console, and what they printed
  // is told right after a run that failed (it could not start, ended with a
  // non-zero exit code, or left its output missing). Otherwise they run as
  // the window build runs them, output wherever the programs put it.
  bool capture_runs = false;
  // How long step 3 waits for the old work folder to go.
  std::chrono::milliseconds work_folder_wait{3000};
  // How long TailBite's "/VERS" and the compiler's "/VERSION" may take.
  std::chrono::milliseconds version_wait{kVersionAnswerWait};
  // The notes' date; the current local time when not set.
  std::function<std::tm()> now;
  // The disk and the outside programs; null: the real ones.
  platform::FileSystem* files = nullptr;
  ToolRunner* tools = nullptr;
};

// How the build ended. One the user stopped ends as kBuilt, with the steps
// after the last one begun not run: the caller's Cancellation tells it.
enum class BuildResult {
  kBuilt,              // no step failed (outside programs may still have failed)
  kWorkFolderBlocked,  // the old work folder could not be removed: nothing built
  kWriteFailed,        // a file could not be written: the build stopped at that step
};

// One build run of an outside program.
struct ToolRecord {
  int step = 0;
  std::string what;          // "TailBite", "The PureBasic compiler"
  std::string command_line;  // as the run facility forms it
  bool started = false;
  int exit_code = -1;    // -1: unknown
  bool made = true;      // the file the run is to make is there (true when none is expected)
  bool stopped = false;  // ended by the build's cancellation before its own end
};

// Something the user was told, and at which step.
struct BuildMessage {
  int step = 0;
  std::string text;
};

// Everything one build did: the steps it began, the outside programs it ran
// and how they ended, and what it told the user.
struct BuildOutcome {
  BuildResult result = BuildResult::kBuilt;
  std::vector<std::string> steps;  // the progress line of each step begun, in order
  std::vector<ToolRecord> runs;
  std::vector<BuildMessage> problems;  // told as errors: failures and their reasons
  std::string compiler_version_line;   // as the notes took it
  bool manual_made = false;
  std::string manual_note;  // what the user should hear about the manual, if anything (told last)
  // When the run was stopped: the outside program that was running and was ended
  // ("TailBite", "The PureBasic compiler", "hhc.exe"), empty when none was.
  std::string ended_program;
  platform::WriteFailure write_failure;  // with kWriteFailed: the file and the reason
};

// The record of the run of `what`, or null when it did not run.
const ToolRecord* find_run(const BuildOutcome& outcome, std::string_view what);

// The line that tells that step `step` has begun: "[ 6/19] splitting ...".
std::string progress_line(int step, const std::string& what);

// The whole pipeline. Reads the library source, include folder, work folder
// and PureBasic folder from `state`; sets the library name, version and
// exported count there and fills `model`. When the old work
// folder cannot be removed the user is told what blocks it and the build
// stops with the library name left empty, so packaging makes no package
// from the previous build's files. The steps run in the order of
// build_phases() (pipeline/build_phases.h).
BuildOutcome run_build(AppState& state, ManualModel& model, const BuildOptions& options = {});

// Library name: the file-name part of the source path up to its first ".".
std::string library_name_of(const std::string& source_path);

// Where the collected resident declarations are compiled from: work folder
// + "Resident.pb", except for a library named "Resident" in any letter
// case, whose tweaked source takes that name; its declarations are moved
// aside so that neither file overwrites the other.
std::string resident_declarations_path(const std::string& work_folder, const std::string& library_name);

}  // namespace lh
