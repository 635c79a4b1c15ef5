// The program's entry: the headless command line on both targets.
//
//   libhammer build SOURCE [--include DIR] [--purebasic DIR]
//   libhammer chm PROJECT.hhp
//   libhammer --help | --version
//
// `build` runs one whole run without any window or message box: start-up,
// the build, then packaging; one progress line per build step, then one
// line per expected output, "ok PATH" or "missing PATH". Exit status 0 when
// every expected output exists, 1 when one is missing, 2 when the run could
// not start.
//
// `chm` compiles any HTML Help project with the built-in compiler into the
// file its "Compiled file=" names: exit status 0 when it is written, 1 when
// not (the missing files named), 2 on bad usage. A file that only a page
// links to is left out of the manual and named; one that the project itself
// names means no manual.
#include <cstdio>
#include <ctime>
#include <exception>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "app/embedded_images.h"
#include "app/main_window.h"
#include "app/run_summary.h"
#include "app/settings.h"
#include "app/startup.h"
#include "base/cancellation.h"
#include "base/reporter.h"
#include "base/version.h"
#include "chm/compile_project.h"
#include "package/packaging.h"
#include "pipeline/app_state.h"
#include "pipeline/pipeline.h"
#include "pipeline/work_folder.h"
#include "platform/console.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/message_box.h"
#include "purebasic/folder_layout.h"
#include "purebasic/tools.h"

namespace {

constexpr const char* kUsage =
    "usage: libhammer build SOURCE [--include DIR] [--purebasic DIR]\n"
    "       libhammer chm PROJECT.hhp\n"
    "       libhammer --help | --version\n"
    "\n"
    "build  builds the PureBasic user library SOURCE: its tweaked source, the user\n"
    "       library (TailBite), the resident file, the manual, and the archive and\n"
    "       installer beside SOURCE.\n"
    "       --include DIR    files copied into the work folder first\n"
    "       --purebasic DIR  the PureBasic folder (default: the one PureBasic is\n"
    "                        installed in)\n"
    "chm    compiles the HTML Help project PROJECT.hhp into the manual its\n"
    "       \"Compiled file=\" names (beside the project unless it gives a path),\n"
    "       with every file its contents, index and pages reference. No manual\n"
    "       is written when one of them is missing.\n";

void print_out(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void print_err(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

// The headless build's reporter: every message a line on standard error,
// the caption left out (it names the program, as the prefix does); each
// step's progress line on standard output. Nobody is there to answer a
// question: the answer is no.
class StandardErrorReporter final : public lh::Reporter {
 public:
  void tell(const std::string&, const std::string& text, lh::MessageIcon) override {
    print_err("libhammer: " + text + "\n");
  }
  void progress(const lh::BuildProgress& p) override { print_out(p.line + "\n"); }
  bool ask(const std::string&, const std::string& text) override {
    print_err("libhammer: " + text + " (answered no)\n");
    return false;
  }
};

int usage_error(const std::string& reason) {
  print_err("libhammer: " + reason + "\n" + kUsage);
  return 2;
}

std::string with_separator(std::string folder) {
  // A script that writes --include "C:\Inc\" hands us C:\Inc" : the C
  // runtime reads the final \" as an escaped quote. No Windows folder name
  // ends in a quote, so that quote stands for the separator.
  if (lh::platform::separator() == '\\' && !folder.empty() && folder.back() == '"') folder.back() = '\\';
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += lh::platform::separator();
  return folder;
}

struct BuildArguments {
  std::string source;
  std::string include_folder;
  std::string purebasic_folder;
};

// Parses what follows "build"; false when it is not well formed, with why
// in `error`.
bool parse_build_arguments(const std::vector<std::string>& args, BuildArguments& out, std::string* error) {
  auto fail = [error](std::string why) {
    if (error) *error = std::move(why);
    return false;
  };
  bool have_source = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--include" || a == "--purebasic") {
      if (i + 1 >= args.size()) return fail(a + " needs a folder");
      (a == "--include" ? out.include_folder : out.purebasic_folder) = with_separator(args[++i]);
    } else if (a.size() > 1 && a.compare(0, 2, "--") == 0) {
      return fail("unknown option " + a);
    } else if (!have_source) {
      out.source = a;
      have_source = true;
    } else {
      return fail("more than one SOURCE (" + out.source + ", " + a + ")");
    }
  }
  if (!have_source) return fail("build needs a SOURCE");
  return true;
}

int run_headless_build(const BuildArguments& args) {
  StandardErrorReporter reporter;
  if (!lh::platform::is_file(args.source)) {
    reporter.tell("LibHammer", args.source + " is not an existing file", lh::MessageIcon::kError);
    return 2;
  }
  lh::AppState state;
  if (!lh::start_up_headless(state, lh::platform::program_path(), lh::highlighter_image(), args.purebasic_folder)) {
    reporter.tell("LibHammer",
                  "Tailbite not found (PureBasic folder: " +
                      (state.purebasic_folder.empty() ? std::string("none found") : state.purebasic_folder) + ")",
                  lh::MessageIcon::kError);
    return 2;
  }
  state.library_source = args.source;
  state.include_folder = args.include_folder;

  lh::ManualModel model;
  lh::BuildOptions options;
  options.open_manual = false;
  // A reproducible build: SOURCE_DATE_EPOCH, when set, is the notes' date
  // and time (UTC), so that two builds of one source give the same bytes.
  const std::string epoch = lh::platform::environment_variable("SOURCE_DATE_EPOCH");
  if (!epoch.empty() && epoch.find_first_not_of("0123456789") == std::string::npos && epoch.size() < 12) {
    const std::time_t at = static_cast<std::time_t>(std::stoll(epoch));
    options.now = [at] {
      std::tm out{};
      if (const std::tm* utc = std::gmtime(&at)) out = *utc;
      return out;
    };
  }
  options.reporter = &reporter;
  // The outside programs' own output would mix into the progress lines: it
  // is captured, and shown only for a run that failed.
  options.capture_runs = true;
  // Another run on the same work folder (a second script, a window) is
  // waited for: held from here to the end of packaging.
  std::unique_ptr<lh::platform::FileLock> work_lock = lh::hold_work_folder(state.work_folder, &reporter, nullptr);
  lh::BuildOutcome outcome = lh::run_build(state, model, options);
  // The packages are named by the compiler's answer the build took.
  lh::make_packages(state, lh::processor_tag_of(outcome.compiler_version_line), lh::sevenzip_image(),
                    lh::installer_image(), {.reporter = &reporter, .capture_runs = true});
  if (outcome.result == lh::BuildResult::kWorkFolderBlocked) return lh::kExitOutputMissing;

  const std::vector<lh::OutputCheck> checks = lh::check_outputs(state, outcome);
  print_out(lh::output_lines(checks));
  return lh::all_made(checks) ? lh::kExitAllMade : lh::kExitOutputMissing;
}

int run_chm_command(const std::string& project) {
  lh::chm::ProjectCompilation c;
  std::string problem;
  const bool written = lh::chm::compile_help_project(lh::platform::real_file_system(), project, false, c, &problem);
  const std::unordered_set<std::string> linked(c.linked_missing.begin(), c.linked_missing.end());
  for (const std::string& name : c.missing)
    print_err("libhammer: missing: " + name + (linked.count(name) ? " (a page links to it; left out)" : "") + "\n");
  for (const std::string& name : c.left_out) print_err("libhammer: not taken in: " + name + "\n");
  if (!written) {
    print_err("libhammer: no manual written: " + problem + "\n");
    return 1;
  }
  print_out("ok " + c.output_path + " (" + std::to_string(c.files) + " files, " + std::to_string(c.topics) + " topics" +
            (c.with_search ? ", full-text search" : "") + ")\n");
  return 0;
}

#ifdef _WIN32
void save_settings(const lh::AppState& state, lh::Reporter& reporter) {
  lh::platform::WriteFailure failure;
  if (!lh::write_settings(state, &failure))
    reporter.tell("LibHammer",
                  "The settings could not be written: " + failure.text() +
                      ". The library source and include folder chosen now are not kept for the next start.",
                  lh::MessageIcon::kError);
}

// What COMPILE starts, on the window's second thread: the build, the
// settings, packaging, and the end of the run told. Returns the exit status.
int run_from_window(lh::AppState& state, lh::Reporter& reporter, const lh::Cancellation& cancel) {
  // Another run on the same work folder is waited for, the step line saying
  // so and Cancel ending the wait; held from here to the end of packaging.
  std::unique_ptr<lh::platform::FileLock> work_lock = lh::hold_work_folder(state.work_folder, &reporter, &cancel);
  lh::ManualModel model;
  lh::BuildOptions options;
  options.reporter = &reporter;
  options.cancel = &cancel;
  lh::BuildOutcome outcome = lh::run_build(state, model, options);
  const bool stopped_in_build = cancel.requested() && outcome.result == lh::BuildResult::kBuilt;
  save_settings(state, reporter);
  bool packaged = false;
  if (!stopped_in_build) {
    reporter.progress({lh::kBuildSteps, lh::kRunSteps, "packaging: the archive and the installer"});
    const lh::PackagingOutcome packaging =
        lh::make_packages(state, lh::processor_tag_of(outcome.compiler_version_line), lh::sevenzip_image(),
                          lh::installer_image(), {.reporter = &reporter, .cancel = &cancel});
    // Stopped: a stop was asked for, and packaging began no stage after it.
    packaged = !cancel.requested() ||
               (!packaging.stages.empty() && packaging.stages.back() == lh::PackagingStage::kSourceCopies);
  }
  // A request that came after packaging's end stopped nothing.
  if (stopped_in_build || !packaged) {
    reporter.tell("LibHammer", lh::stopped_run_text(state, outcome, !stopped_in_build), lh::MessageIcon::kInformation);
    return lh::kExitStopped;
  }
  // A blocked work folder has been told; nothing was built to list.
  if (outcome.result == lh::BuildResult::kWorkFolderBlocked) return lh::kExitOutputMissing;
  const std::vector<lh::OutputCheck> checks = lh::check_outputs(state, outcome);
  reporter.progress({lh::kRunSteps, lh::kRunSteps, "finished"});
  if (lh::all_made(checks)) return lh::kExitAllMade;
  reporter.tell("LibHammer", "The build has ended, but not every output was made:\n\n" + lh::output_lines(checks),
                lh::MessageIcon::kError);
  return lh::kExitOutputMissing;
}

// The program as its users know it: start-up with its prompts, the window,
// one run on COMPILE (build, settings, packaging) while the window stays
// alive, and the end. Closing the window without a build saves the settings
// and copies the source, as packaging does without a build.
int run_window_program() {
  lh::AppState state;
  lh::MessageBoxReporter boxes;
  if (!lh::start_up(state, lh::platform::program_path(), lh::highlighter_image(), boxes))
    return 0;  // "Tailbite not found" has been shown
  int status = lh::kExitAllMade;
  lh::MainWindowHooks hooks;
  hooks.build = [&](lh::Reporter& reporter, const lh::Cancellation& cancel) {
    try {
      status = run_from_window(state, reporter, cancel);
    } catch (const std::exception& e) {
      // Out of memory, most likely, on a very large library.
      reporter.tell("LibHammer", std::string("The build stopped on an internal error: ") + e.what(),
                    lh::MessageIcon::kError);
      status = lh::kExitOutputMissing;
    }
  };
  hooks.registry_lookup = [] { return lh::purebasic_registry_lookup(); };
  hooks.tailbite_path = [](const std::string& pb) { return lh::tailbite_path(lh::platform::real_file_system(), pb); };
  if (lh::run_main_window(state, hooks)) return status;
  save_settings(state, boxes);
  // No build: no packages to name, only the source copied.
  lh::make_packages(state, "", lh::sevenzip_image(), lh::installer_image(), {.reporter = &boxes});
  return 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  lh::platform::attach_parent_console();
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
#ifdef _WIN32
    return run_window_program();
#else
    print_err(kUsage);
    return 2;
#endif
  }
  if (args[0] == "--help" && args.size() == 1) {
    print_out(kUsage);
    return 0;
  }
  if (args[0] == "--version" && args.size() == 1) {
    print_out(std::string(lh::kProgramNameAndVersion) + "\n");
    return 0;
  }
  if (args[0] == "chm") {
    if (args.size() != 2 || args[1].rfind("--", 0) == 0) return usage_error("chm needs one PROJECT.hhp");
    return run_chm_command(args[1]);
  }
  if (args[0] != "build") return usage_error("unknown command " + args[0]);
  BuildArguments build;
  std::string problem;
  if (!parse_build_arguments({args.begin() + 1, args.end()}, build, &problem)) return usage_error(problem);
  return run_headless_build(build);
}
