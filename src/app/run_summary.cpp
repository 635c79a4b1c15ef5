#include "app/run_summary.h"

#include "package/packaging.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "purebasic/folder_layout.h"
#include "purebasic/tools.h"

namespace lh {

std::vector<OutputCheck> check_outputs(const AppState& state, const BuildOutcome& outcome) {
  // A build stopped by a file it could not write made none of its outputs,
  // whatever an earlier build left at their places; it may have stopped
  // before the library's name was set.
  const bool write_failed = outcome.result == BuildResult::kWriteFailed;
  const std::string name = write_failed ? library_name_of(state.library_source) : state.library_name;
  const std::string& pb = state.purebasic_folder;
  const std::string package = package_base(state, processor_tag_of(outcome.compiler_version_line));
  std::vector<std::string> expected = {
      purebasic::user_library_path(pb, name),
      state.work_folder + name + ".chm",
      state.work_folder + name + ".pb",
      package + ".7z",
      package + ".exe",
  };
  if (platform::is_file(resident_declarations_path(state.work_folder, name)))
    expected.push_back(purebasic::resident_file_path(pb, name));
  std::vector<OutputCheck> checks;
  checks.reserve(expected.size());
  for (const std::string& path : expected)
    checks.push_back({platform::full_path(path), !write_failed && platform::is_file(path)});
  return checks;
}

std::string output_lines(const std::vector<OutputCheck>& checks) {
  std::string text;
  for (const OutputCheck& c : checks) text += (c.made ? "ok " : "missing ") + c.path + "\n";
  return text;
}

bool all_made(const std::vector<OutputCheck>& checks) {
  for (const OutputCheck& c : checks)
    if (!c.made) return false;
  return true;
}

std::string stopped_run_text(const AppState& state, const BuildOutcome& outcome, bool in_packaging) {
  std::string text;
  if (in_packaging) {
    text = "Packaging was stopped.";
  } else {
    const int step = static_cast<int>(outcome.steps.size());
    text = step == 0 ? "The build was stopped before its first step."
                     : "The build was stopped at step " + std::to_string(step) + " of " + std::to_string(kBuildSteps) +
                           " (" + outcome.steps.back() + "); no later step ran.";
  }
  if (!outcome.ended_program.empty() && !in_packaging) {
    text += "\n" + outcome.ended_program + " was running and was ended.";
    if (outcome.ended_program == "TailBite")
      text += " The user library it was writing, " +
              purebasic::user_library_path(state.purebasic_folder, state.library_name) +
              ", may be incomplete: build the library again before using it.";
  }
  text += "\nThe settings were saved. No archive or installer was written.";
  return text;
}

}  // namespace lh
