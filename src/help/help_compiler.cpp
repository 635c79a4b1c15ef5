#include "help/help_compiler.h"

#include <cstring>
#include <memory>

#include "chm/compile_project.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "purebasic/tool_runner.h"

namespace lh {
namespace {

constexpr const char* kSearchOn = "Full-text search=Yes";
constexpr const char* kSearchOff = "Full-text search=No";

// Runs the compiler on `project` as a visible wait run and adds it to
// `record` (ManualRun::hhc); returns the run.
CapturedRun run_compiler(ToolRunner& tools, const std::string& compiler, const std::string& project,
                         const std::string& folder, bool capture, CapturedRun& record) {
  const CapturedRun run = tools.run_and_wait({compiler, "\"" + project + "\"", folder, false, capture});
  record.stopped = run.stopped;
  if (run.started && !run.stopped) {
    record.started = true;
    record.exit_code = run.exit_code;
    record.output += run.output;
  }
  return run;
}

std::string exit_text(const CapturedRun& run) {
  if (!run.started) return "could not be started";
  if (run.exit_code == -1) return "ended";
  return "ended with exit code " + std::to_string(run.exit_code);
}

// hhc.exe on the project; on failure once more without full-text search.
// True when a manual came out; then `run.note` is empty when it came out at
// once.
bool run_hhc(platform::FileSystem& files, ToolRunner& tools, const std::string& hhc, const std::string& work_folder,
             const std::string& library_name, bool capture, ManualRun& run) {
  const std::string project = work_folder + library_name + ".hhp";
  const std::string manual = work_folder + library_name + ".chm";
  const CapturedRun first = run_compiler(tools, hhc, project, work_folder, capture, run.hhc);
  if (first.stopped) return false;
  if (is_compiled_manual(files, manual)) return true;
  std::string text;
  if (!files.read_file(project, text) || text.find(kSearchOn) == std::string::npos) return false;
  text.replace(text.find(kSearchOn), std::strlen(kSearchOn), kSearchOff);
  const std::string derived = work_folder + library_name + "-nosearch.hhp";
  files.delete_file(manual);
  if (!files.write_file(derived, text)) return false;
  const CapturedRun second = run_compiler(tools, hhc, derived, work_folder, capture, run.hhc);
  files.delete_file(derived);
  if (second.stopped || !is_compiled_manual(files, manual)) return false;
  run.note = "The help compiler " + exit_text(first) + " without making " + library_name +
             ".chm; it was compiled again without full-text search, so the manual has no search tab.";
  return true;
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

bool is_compiled_manual(platform::FileSystem& files, const std::string& path) {
  const std::unique_ptr<platform::InputStream> in = files.open_input(path);
  if (!in) return false;
  char signature[4] = {};
  size_t n = 0;
  while (n < sizeof signature) {
    const int64_t got = in->read(signature + n, sizeof signature - n);
    if (got <= 0) break;
    n += static_cast<size_t>(got);
  }
  return n == 4 && std::memcmp(signature, "ITSF", 4) == 0;
}

bool compile_manual(platform::FileSystem& files, ToolRunner& tools, const std::string& work_folder,
                    const std::string& library_name, const std::string& hhc, bool capture_hhc_output, ManualRun& run) {
  run = ManualRun();
  const std::string manual = work_folder + library_name + ".chm";
  // A manual left by an earlier run must not pass for this run's.
  files.delete_file(manual);
  std::string stood_in_for;
  if (!hhc.empty()) {
    const bool made = run_hhc(files, tools, hhc, work_folder, library_name, capture_hhc_output, run);
    if (run.hhc.stopped) {
      // What hhc.exe may have left is not a manual to open or to package.
      files.delete_file(manual);
      run.summary = "hhc.exe was stopped";
      return false;
    }
    if (made) {
      run.summary = "hhc.exe" + std::string(run.note.empty() ? "" : ", without full-text search");
      return true;
    }
    stood_in_for = " (hhc.exe made no manual)";
    files.delete_file(manual);
  }

  chm::ProjectCompilation built;
  std::string problem;
  const bool written = chm::compile_help_project(files, work_folder + library_name + ".hhp", true, built, &problem);
  if (!written || !is_compiled_manual(files, manual)) {
    run.summary = !written                      ? problem
                  : built.output_path != manual ? "the help project names " + built.output_path + " instead"
                                                : "the compiler wrote no compiled help file";
    run.note = "The manual " + library_name + ".chm was not made: " + run.summary + ".";
    return false;
  }
  run.summary = "the built-in compiler" + stood_in_for;
  if (built.with_search) run.summary += ", with full-text search";
  if (!built.missing.empty()) run.summary += "; missing: " + chm::missing_files_text(built.missing);
  return true;
}

}  // namespace lh
