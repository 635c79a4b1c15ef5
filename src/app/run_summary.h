// The end of a run: which outputs a build is to make and whether each is
// there, what the author is told when one is missing or when the run was
// stopped, and the program's exit status. The headless build and the window
// end their runs with the same list.
#pragma once

#include <string>
#include <vector>

#include "pipeline/app_state.h"
#include "pipeline/pipeline.h"

namespace lh {

// The program's exit status after a run.
enum RunExit : int {
  kExitAllMade = 0,        // every expected output exists
  kExitOutputMissing = 1,  // the build ran, something is missing
  kExitCouldNotStart = 2,  // bad usage, no source, no TailBite
  kExitStopped = 3,        // the author stopped the run
};

struct OutputCheck {
  std::string path;  // full path
  bool made = false;
};

// The user library, the manual in the work folder, the tweaked source, the
// archive and the installer, and the resident file when the source has
// resident declarations; each with whether it exists now. `outcome` gives
// the compiler's version line, whose processor tag names the packages.
std::vector<OutputCheck> check_outputs(const AppState& state, const BuildOutcome& outcome);

// "ok PATH" or "missing PATH", one line each, each ended by "\n".
std::string output_lines(const std::vector<OutputCheck>& checks);

bool all_made(const std::vector<OutputCheck>& checks);

// What the author is told after a stopped run: where it stopped, which
// outside program was ended, that TailBite's output may be incomplete when
// it was TailBite, and that the settings were kept and no package written.
// `in_packaging`: the build had ended and packaging was under way.
std::string stopped_run_text(const AppState& state, const BuildOutcome& outcome, bool in_packaging);

}  // namespace lh
