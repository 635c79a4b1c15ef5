#include "help/help_compiler.h"

#include <cstdio>
#include <cstring>

#include "chm/compile_project.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "purebasic/tool_runner.h"

namespace lh {
namespace {

constexpr const char* kSearchOn = "Full-text search=Yes";
constexpr const char* kSearchOff = "Full-text search=No";

constexpr int kStoppedRun = -3;

// Runs the compiler as a visible wait run; its exit code, or -1 when unknown
// (-2 when it could not be started, kStoppedRun when the build's
// cancellation ended it). With `captured` its output goes there rather than
// to the console.
int run_compiler(ToolRunner& tools, const std::string& compiler, const std::string& project, const std::string& folder,
                 CapturedRun* captured) {
  const CapturedRun run = tools.run_and_wait({compiler, "\"" + project + "\"", folder, false, captured != nullptr});
  if (run.stopped) return kStoppedRun;
  if (!run.started) return -2;
  if (captured) {
    captured->started = true;
    captured->exit_code = run.exit_code;
    captured->output += run.output;
  }
  return run.exit_code;
}

std::string exit_text(int code) {
  if (code == -2) return "could not be started";
  if (code == -1) return "ended";
  return "ended with exit code " + std::to_string(code);
}

// hhc.exe on the project; on failure once more without full-text search.
// The note for the user: empty when the manual came out at once.
std::string run_hhc(ToolRunner& tools, const std::string& hhc, const std::string& work_folder,
                    const std::string& library_name, bool& made, bool& stopped, CapturedRun* captured) {
  const std::string project = work_folder + library_name + ".hhp";
  const std::string manual = work_folder + library_name + ".chm";
  int first = run_compiler(tools, hhc, project, work_folder, captured);
  stopped = first == kStoppedRun;
  made = !stopped && is_compiled_manual(manual);
  if (made || stopped) return {};
  std::string text;
  if (!platform::read_file(project, text) || text.find(kSearchOn) == std::string::npos) return {};
  text.replace(text.find(kSearchOn), std::strlen(kSearchOn), kSearchOff);
  const std::string derived = work_folder + library_name + "-nosearch.hhp";
  platform::delete_file(manual);
  if (!platform::write_file(derived, text)) return {};
  stopped = run_compiler(tools, hhc, derived, work_folder, captured) == kStoppedRun;
  platform::delete_file(derived);
  made = !stopped && is_compiled_manual(manual);
  if (!made) return {};
  return "The help compiler " + exit_text(first) + " without making " + library_name +
         ".chm; it was compiled again without full-text search, so the manual has no search tab.";
}

}  // namespace

std::string find_help_compiler() {
#ifdef _WIN32
  if (!platform::find_on_search_path("hhc.exe").empty()) return "hhc.exe";
  for (const char* variable : {"ProgramFiles(x86)", "ProgramFiles"}) {
    std::string folder = platform::environment_variable(variable);
    if (folder.empty()) continue;
    if (folder.back() != '\\') folder += '\\';
    std::string path = folder + "HTML Help Workshop\\hhc.exe";
    if (platform::is_file(path)) return path;
  }
#endif
  return {};
}

bool is_compiled_manual(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char signature[4] = {};
  size_t n = std::fread(signature, 1, sizeof signature, f);
  std::fclose(f);
  return n == 4 && std::memcmp(signature, "ITSF", 4) == 0;
}

ManualRun compile_manual(ToolRunner& tools, const std::string& work_folder, const std::string& library_name,
                         const std::string& hhc, CapturedRun* captured) {
  const std::string manual = work_folder + library_name + ".chm";
  ManualRun run;
  // A manual left by an earlier run must not pass for this run's.
  platform::delete_file(manual);
  std::string stood_in_for;
  if (!hhc.empty()) {
    run.note = run_hhc(tools, hhc, work_folder, library_name, run.made, run.stopped, captured);
    if (run.stopped) {
      // What hhc.exe may have left is not a manual to open or to package.
      platform::delete_file(manual);
      run.summary = "hhc.exe was stopped";
      return run;
    }
    if (run.made) {
      run.summary = "hhc.exe" + std::string(run.note.empty() ? "" : ", without full-text search");
      return run;
    }
    stood_in_for = " (hhc.exe made no manual)";
    platform::delete_file(manual);
  }

  chm::ProjectCompilation built = chm::compile_help_project(work_folder + library_name + ".hhp", true);
  run.made = built.written && is_compiled_manual(manual);
  run.write_failure = built.write_failure;
  if (!run.made) {
    run.summary = !built.written                ? built.problem
                  : built.output_path != manual ? "the help project names " + built.output_path + " instead"
                                                : "the compiler wrote no compiled help file";
    run.note = "The manual " + library_name + ".chm was not made: " + run.summary + ".";
    return run;
  }
  run.summary = "the built-in compiler" + stood_in_for;
  if (built.with_search) run.summary += ", with full-text search";
  if (!built.missing.empty()) run.summary += "; missing: " + chm::missing_files_text(built.missing);
  return run;
}

ManualRun compile_manual(const std::string& work_folder, const std::string& library_name) {
  RealToolRunner tools;
  return compile_manual(tools, work_folder, library_name, find_help_compiler(), nullptr);
}

}  // namespace lh
