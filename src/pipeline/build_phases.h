// The build as a list of named phases. run_build runs them in the list's
// order; a phase that returns false stops the build. Tests run the list with
// some phases replaced, on a file system in memory and scripted programs.
#pragma once

#include <span>
#include <string>

#include "pipeline/notes.h"
#include "pipeline/pipeline.h"
#include "pipeline/write_watch.h"

namespace lh {

namespace platform {
class FileSystem;
}

// What the phases share for one build.
struct Build {
  Build(AppState& app_state, ManualModel& manual_model, const BuildOptions& build_options,
        platform::FileSystem& file_system, ToolRunner& tool_runner);
  Build(const Build&) = delete;
  Build& operator=(const Build&) = delete;

  // Announces the current step (its number is its phase's place in the
  // list) as `what`, and records its line.
  void step(const std::string& what);
  // Records a problem at the current step and tells the user.
  void problem(const std::string& text);

  AppState& state;
  ManualModel& model;
  const BuildOptions& options;
  WriteWatch watch;             // the caller's disk, every write checked
  platform::FileSystem& files;  // the same, as the stages take it
  ToolRunner& tools;
  BuildOutcome outcome;
  int current_step = 0;  // set by run_phases before each phase runs
  std::string name;      // the library name (step 1)
  NotesInput notes;      // gathered by steps 8 and 9
  WorkFiles brought;     // what the include folder brought (step 5), for the split
};

struct BuildPhase {
  const char* name;
  bool (*run)(Build& build);  // false: the build stops here
};

// Steps 1 to 19 in their order.
std::span<const BuildPhase> build_phases();

// Runs `phases` in order, then tells the note on the manual; returns the
// outcome. A phase after which a file could not be written ends the build
// there, as a phase that returns false does.
BuildOutcome run_phases(Build& build, std::span<const BuildPhase> phases);

}  // namespace lh
