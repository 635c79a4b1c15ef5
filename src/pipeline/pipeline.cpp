// The build's nineteen steps as named phases, in one list. Every phase reads
// and writes the disk through the build's FileSystem and starts programs
// through its ToolRunner.
#include "pipeline/pipeline.h"

#include <cstdio>
#include <ctime>

#include "base/cancellation.h"
#include "base/reporter.h"
#include "base/text.h"
#include "help/colouring.h"
#include "help/function_pages.h"
#include "help/help_compiler.h"
#include "help/help_project.h"
#include "pipeline/build_phases.h"
#include "pipeline/notes.h"
#include "pipeline/work_folder.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/whole_file.h"
#include "purebasic/folder_layout.h"
#include "purebasic/tool_runner.h"
#include "purebasic/tools.h"
#include "source/splitter.h"
#include "source/tweak.h"

namespace lh {
namespace {

std::tm local_now() {
  std::time_t t = std::time(nullptr);
  std::tm out{};
  if (const std::tm* local = std::localtime(&t)) out = *local;
  return out;
}

bool is_resident_name(const std::string& library_name) { return equals_ignoring_case(library_name, "Resident"); }

std::string resident_file(const Build& b) { return purebasic::resident_file_path(b.state.purebasic_folder, b.name); }

std::string manual_path(const Build& b) { return b.state.work_folder + b.name + ".chm"; }

// A build run of an outside program, recorded with its exit code. Captured
// when the build captures runs, and then told about when it failed;
// `expected` is the file the run is to make, empty when none is expected.
void run_tool(Build& b, const std::string& what, const std::string& program, const std::string& arguments, bool hide,
              const std::string& expected) {
  const CapturedRun run = b.tools.run_and_wait({program, arguments, "", hide, b.options.capture_runs});
  const bool made = expected.empty() || b.files.is_file(expected);
  b.outcome.runs.push_back(
      {b.current_step, what, command_line_for(program, arguments), run.started, run.exit_code, made, run.stopped});
  // A run the user stopped has not failed: the end of the build says what
  // was stopped.
  if (run.stopped && run.started) b.outcome.ended_program = what;
  if (!b.options.capture_runs || expected.empty() || run.stopped) return;
  if (!run.started || run.exit_code != 0 || !made)
    b.problem(failed_run_text(what + " " + program, run) + (made ? "" : "\n" + expected + " was not made."));
}

// Writes the line list as the tweaked source, CR LF after each line, in
// blocks of about a MB, letting go of each line once its block has it: the
// source is never held twice over. Whole or not at all: the blocks go to a
// temporary name beside `path`, renamed over it only when all are written.
// False, with the reason in `failure`, when a write fails.
bool write_source_lines(platform::FileSystem& files, const std::string& path, SourceLines& lines,
                        platform::WriteFailure& failure) {
  constexpr size_t kBlock = size_t{1} << 20;
  platform::remove_leftovers(files, path);
  const std::string temporary = platform::temporary_name_for(path);
  std::string block;
  bool first = true;
  auto flush = [&] {
    const bool ok = first ? files.write_file(temporary, block) : files.append_file(temporary, block);
    first = false;
    block.clear();
    return ok;
  };
  auto failed = [&] {
    failure = {path, files.error_text()};
    if (failure.reason.empty()) failure.reason = "the file could not be written";
    files.delete_file(temporary);
    return false;
  };
  for (std::string& line : lines.lines) {
    block += line;
    block += "\r\n";
    std::string().swap(line);
    if (block.size() >= kBlock && !flush()) return failed();
  }
  if ((first || !block.empty()) && !flush()) return failed();
  return platform::commit_whole(files, temporary, path, &failure);
}

// ---- Steps 1 to 4: a fresh work folder.

bool name_library(Build& b) {
  b.step("library name");
  b.name = library_name_of(b.state.library_source);
  return true;
}

bool remove_old_work_folder(Build& b) {
  b.step("removing the old work folder " + b.state.work_folder);
  delete_work_folder(b.files, b.state.work_folder);
  return true;
}

// A work folder that stays would mix the previous build's files into this
// one's packages: the build stops, and the library name is left empty so
// that packaging makes none.
bool wait_for_work_folder(Build& b) {
  b.step("waiting for the work folder to go");
  const std::string& work = b.state.work_folder;
  if (!wait_until_gone(b.files, work, b.options.work_folder_wait)) {
    b.problem(blocked_work_folder_message(work, blocking_entries(b.files, work)));
    b.state.library_name.clear();
    b.state.build_ran = false;
    b.outcome.result = BuildResult::kWorkFolderBlocked;
    return false;
  }
  b.state.library_name = b.name;
  b.state.build_ran = true;
  return true;
}

bool create_work_folder(Build& b) {
  b.step("creating the work folder");
  b.files.create_folder(b.state.work_folder);
  return true;
}

// ---- Steps 5 to 11: the source stages.

bool copy_include(Build& b) {
  b.step("copying the include folder " + b.state.include_folder);
  if (!b.state.include_folder.empty() && !b.files.is_folder(b.state.include_folder))
    b.problem("The include folder " + b.state.include_folder + " does not exist: no files were copied from it.");
  b.brought = copy_include_folder(b.files, b.state.include_folder, b.state.work_folder);
  return true;
}

bool split(Build& b) {
  b.step("splitting " + b.state.library_source);
  split_source(b.files, b.state.library_source, b.state.work_folder, b.name, b.brought, b.model);
  b.brought = WorkFiles();
  b.state.library_version = b.model.library_version;
  b.state.exported_count = b.model.exported_count;
  return true;
}

bool resident_notes(Build& b) {
  b.step("resident declarations");
  write_resident_notes(b.files, b.state.work_folder, b.model);
  return true;
}

bool ask_tailbite_version(Build& b) {
  b.step("TailBite version");
  std::string error;
  if (!tailbite_version_text(b.tools, tailbite_path(b.files, b.state.purebasic_folder), b.options.version_wait,
                             b.notes.tailbite_version, &error) &&
      !error.empty())
    b.problem(error);
  return true;
}

bool compilation_notes(Build& b) {
  b.step("compilation notes");
  b.notes.library_version = b.model.library_version;
  std::string error;
  if (!compiler_version_line(b.tools, b.state.purebasic_folder, b.options.version_wait, b.notes.compiler_version_line,
                             &error) &&
      !error.empty())
    b.problem(error);
  b.outcome.compiler_version_line = b.notes.compiler_version_line;
  b.notes.time = b.options.now ? b.options.now() : local_now();
  b.notes.exported_count = b.model.exported_count;
  write_compilation_notes(b.files, b.state.work_folder, b.notes, b.model);
  return true;
}

bool compilation_page(Build& b) {
  b.step("Compilation page");
  append_record(b.model.table, b.model.cursor, {EntryKind::kPage, "", "Compilation", "", ""});
  register_contents_entry(b.model.contents, "", "Compilation");
  write_contents_register(b.files, b.state.work_folder, b.model.contents);
  return true;
}

bool help_pages(Build& b) {
  b.step("help pages and project");
  const std::string& work = b.state.work_folder;
  prepare_warnings(b.files, work, b.model.table, b.model.entries);
  Highlighter highlighter = load_highlighter(b.state.colouring_library);
  write_function_pages(b.files, work, b.model.table, b.model.entries, b.model.contents, highlighter);
  unload_highlighter(highlighter);
  write_help_project(b.files, work, b.name, b.model.table, b.model.contents);
  // Only the line list and the table are read after this step.
  b.model.entries = ManualEntries();
  return true;
}

// ---- Steps 12 to 19: the manual, the tweaked source, TailBite and the
// resident file.

// Step 12's line comes once the manual is made, naming who made it.
bool make_manual(Build& b) {
  const std::string hhc = b.tools.help_compiler();
  ManualRun manual;
  const bool made = compile_manual(b.files, b.tools, b.state.work_folder, b.name, hhc, b.options.capture_runs, manual);
  b.step("manual " + b.name + ".chm " + (made ? "made by " : "not made: ") + manual.summary);
  b.outcome.manual_made = made;
  b.outcome.manual_note = manual.note;
  if (manual.hhc.stopped) b.outcome.ended_program = "hhc.exe";
  if (b.watch.failed()) {
    b.outcome.manual_note.clear();  // the stop says it
    // The manual's own files (its temporary name, its content's file
    // beside it) are named as the user knows them: the manual.
    const platform::WriteFailure failure = b.watch.failure();
    if (failure.path.compare(0, manual_path(b).size(), manual_path(b)) == 0)
      b.watch.record({manual_path(b), failure.reason});
    return false;
  }
  // The note says how hhc.exe's runs went; what it printed comes with it,
  // when it printed anything.
  CapturedRun run = manual.hhc;
  run.exit_code = -1;
  if (b.options.capture_runs && !manual.note.empty() && run.output.find_first_not_of(" \t\r\n") != std::string::npos)
    b.problem(failed_run_text("The help compiler " + hhc, run));
  return true;
}

bool tweak(Build& b) {
  b.step("tweaked source");
  tweak_source(b.model.lines, b.model.table);
  return true;
}

// For a library named "Resident" the tweaked source is about to take the
// declarations' file name: they move aside first.
void move_resident_declarations_aside(Build& b) {
  const std::string& work = b.state.work_folder;
  const std::string declarations = resident_declarations_path(work, b.name);
  b.files.delete_file(declarations);
  for (const platform::FolderEntry& entry : b.files.list_folder(work)) {
    if (!entry.is_folder && equals_ignoring_case(entry.name, "Resident.pb")) {
      b.files.copy_file(work + entry.name, declarations);
      b.files.delete_file(work + entry.name);
    }
  }
}

bool write_tweaked_source(Build& b) {
  const std::string path = b.state.work_folder + b.name + ".pb";
  b.step("writing " + path);
  if (is_resident_name(b.name)) move_resident_declarations_aside(b);
  // Nothing after this step reads the line list (packaging reads the file),
  // and on a large library it is the largest thing left in memory: it goes
  // as it is written.
  platform::WriteFailure failure;
  if (!write_source_lines(b.files, path, b.model.lines, failure)) b.watch.record(failure);
  b.model.lines = SourceLines();
  return true;
}

bool delete_old_resident(Build& b) {
  b.step("deleting the old resident file");
  b.files.delete_file(resident_file(b));
  return true;
}

bool run_tailbite(Build& b) {
  b.step("TailBite");
  const std::string& pb = b.state.purebasic_folder;
  run_tool(b, "TailBite", tailbite_path(b.files, pb),
           quoted_argument(b.state.work_folder + b.name + ".pb") + " /MULT /CHM:" + b.name, false,
           purebasic::user_library_path(pb, b.name));
  return true;
}

bool compile_resident(Build& b) {
  b.step("resident file");
  const std::string declarations = resident_declarations_path(b.state.work_folder, b.name);
  // Without resident declarations the compiler has nothing to compile and
  // fails by design; only a resident file that was to come is missed.
  run_tool(b, "The PureBasic compiler", compiler_path(b.state.purebasic_folder),
           quoted_argument(declarations) + " /Resident " + quoted_argument(resident_file(b)), true,
           b.files.is_file(declarations) ? resident_file(b) : std::string());
  return true;
}

bool open_manual(Build& b) {
  b.step(b.options.open_manual ? "opening the manual" : "manual not opened");
  if (b.options.open_manual) b.tools.open_document(manual_path(b));
  return true;
}

bool publish_manual(Build& b) {
  const std::string published = purebasic::published_manual_path(b.state.purebasic_folder, b.name);
  std::string help = platform::folder_part(published);
  help.pop_back();  // the progress line names the folder without its separator
  b.step("copying the manual into " + help);
  b.files.create_folder(help);
  // The copy in PureBasic's help folder is replaced whole or not at all; one
  // that cannot be made is told, and the build, at its end, keeps what it made.
  platform::WriteFailure failure;
  if (b.files.is_file(manual_path(b)) && !platform::copy_whole(b.files, manual_path(b), published, &failure))
    b.problem("The manual could not be copied to " + published + ": " + failure.reason + ".");
  b.watch.forget();
  return true;
}

constexpr BuildPhase kPhases[] = {
    {"library name", name_library},
    {"remove the old work folder", remove_old_work_folder},
    {"wait for the work folder to go", wait_for_work_folder},
    {"create the work folder", create_work_folder},
    {"copy the include folder", copy_include},
    {"split the source", split},
    {"resident notes", resident_notes},
    {"TailBite version", ask_tailbite_version},
    {"compilation notes", compilation_notes},
    {"Compilation page", compilation_page},
    {"help pages and project", help_pages},
    {"manual", make_manual},
    {"tweak the source", tweak},
    {"write the tweaked source", write_tweaked_source},
    {"delete the old resident file", delete_old_resident},
    {"TailBite", run_tailbite},
    {"resident file", compile_resident},
    {"open the manual", open_manual},
    {"publish the manual", publish_manual},
};
static_assert(std::size(kPhases) == kBuildSteps);

}  // namespace

Build::Build(AppState& app_state, ManualModel& manual_model, const BuildOptions& build_options,
             platform::FileSystem& file_system, ToolRunner& tool_runner)
    : state(app_state),
      model(manual_model),
      options(build_options),
      watch(file_system),
      files(watch),
      tools(tool_runner) {}

void Build::step(const std::string& what) {
  outcome.steps.push_back(what);
  if (options.reporter) options.reporter->progress({current_step - 1, kRunSteps, progress_line(current_step, what)});
}

void Build::problem(const std::string& text) {
  outcome.problems.push_back({current_step, text});
  tell(options.reporter, text, MessageIcon::kError);
}

std::span<const BuildPhase> build_phases() { return kPhases; }

namespace {

// A file of this step could not be written: the build stops, and, as for a
// work folder that stays, the library name is left empty so that packaging
// makes no package of an incomplete build.
void stop_for_write_failure(Build& b) {
  b.problem(b.watch.failure().path + " could not be written: " + b.watch.failure().reason +
            ". The build stopped at this step.");
  b.outcome.result = BuildResult::kWriteFailed;
  b.outcome.write_failure = b.watch.failure();
  b.state.library_name.clear();
  b.state.build_ran = false;
}

}  // namespace

BuildOutcome run_phases(Build& b, std::span<const BuildPhase> phases) {
  for (size_t i = 0; i < phases.size(); ++i) {
    if (stop_requested(b.options.cancel)) break;
    b.current_step = static_cast<int>(i) + 1;
    const bool go_on = phases[i].run(b);
    if (b.watch.failed()) {
      stop_for_write_failure(b);
      break;
    }
    if (!go_on) break;
  }
  // A request that came during the last step stops the run too: packaging
  // must not follow, and what was stopped is told at the run's end, with
  // the rest.
  if (stop_requested(b.options.cancel) && b.outcome.result == BuildResult::kBuilt) return b.outcome;
  if (!b.outcome.manual_note.empty()) tell(b.options.reporter, b.outcome.manual_note, MessageIcon::kInformation);
  return b.outcome;
}

std::string library_name_of(const std::string& source_path) { return platform::file_stem(source_path); }

std::string resident_declarations_path(const std::string& work_folder, const std::string& library_name) {
  return work_folder + (is_resident_name(library_name) ? "Resident declarations.pb" : "Resident.pb");
}

const ToolRecord* find_run(const BuildOutcome& outcome, std::string_view what) {
  for (const ToolRecord& run : outcome.runs)
    if (run.what == what) return &run;
  return nullptr;
}

std::string progress_line(int step, const std::string& what) {
  char number[16];
  std::snprintf(number, sizeof number, "[%2d/%d] ", step, kBuildSteps);
  return number + what;
}

BuildOutcome run_build(AppState& state, ManualModel& model, const BuildOptions& options) {
  RealToolRunner real_tools(options.cancel);
  Build build(state, model, options, options.files ? *options.files : platform::real_file_system(),
              options.tools ? *options.tools : real_tools);
  return run_phases(build, build_phases());
}

}  // namespace lh
