// The build: one run from the library source to the user library, the
// resident file and the manual, in a fixed order of nineteen steps. The
// packages are made afterwards by the caller (make_packages).
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "pipeline/app_state.h"
#include "purebasic/tools.h"
#include "source/manual_model.h"

namespace lh {

inline constexpr int kBuildSteps = 19;

struct BuildOptions {
  // Step 18 shows the manual in the system's help viewer; the headless
  // build leaves it out.
  bool open_manual = true;
  // Called as each step begins, with its number and a short description;
  // step 12 is told when the manual is made, with the compiler that made it.
  std::function<void(int step, const std::string& what)> progress;
  // Tells the user why the build stopped, or which tool did not answer (a
  // message box in the window, standard error headless). Empty:
  // show_message_box.
  std::function<void(const std::string& text)> report;
  // How long step 3 waits for the old work folder to go.
  std::chrono::milliseconds work_folder_wait{3000};
  // How long TailBite's "/VERS" and the compiler's "/VERSION" may take.
  std::chrono::milliseconds version_wait{kVersionAnswerWait};
  // Headless: the help compiler's, TailBite's and the compiler's build runs
  // are captured instead of writing into the console, and what they printed
  // is passed here right after a run that failed (it could not start, ended
  // with a non-zero exit code, or left its output missing). Empty: they run
  // as the window build runs them, output wherever the programs put it.
  std::function<void(const std::string& text)> show_failed_run;
  // The notes' date; the current local time when not set.
  std::function<std::tm()> now;
};

enum class BuildResult {
  kBuilt,              // every step ran (outside programs may still have failed)
  kWorkFolderBlocked,  // the old work folder could not be removed: nothing built
};

struct BuildOutcome {
  BuildResult result = BuildResult::kBuilt;
  std::string compiler_version_line;  // as the notes took it
  std::string manual_note;            // what the user should hear about the manual, if anything
};

// The whole pipeline. Reads the library source, include folder, work folder
// and PureBasic folder from `state`; sets the library name, version and
// exported count there and fills `model`. When the old work
// folder cannot be removed the user is told what blocks it and the build
// stops with the library name left empty, so packaging makes no package
// from the previous build's files.
BuildOutcome run_build(AppState& state, ManualModel& model, const BuildOptions& options = {});

// Library name: the file-name part of the source path up to its first ".".
std::string library_name_of(const std::string& source_path);

// Where the collected resident declarations are compiled from: work folder
// + "Resident.pb", except for a library named "Resident" in any letter
// case, whose tweaked source takes that name; its declarations are moved
// aside so that neither file overwrites the other.
std::string resident_declarations_path(const std::string& work_folder, const std::string& library_name);

}  // namespace lh
