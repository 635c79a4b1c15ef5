#include "pipeline/pipeline.h"

#include <ctime>

#include "pipeline/notes.h"
#include "pipeline/work_folder.h"
#include "help/colouring.h"
#include "help/function_pages.h"
#include "help/help_compiler.h"
#include "help/help_project.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/message_box.h"
#include "platform/run_program.h"
#include "app/startup.h"
#include "purebasic/tools.h"
#include "source/splitter.h"
#include "source/text.h"
#include "source/tweak.h"

namespace lh {
namespace {

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

std::tm local_now() {
  std::time_t t = std::time(nullptr);
  std::tm out{};
  if (const std::tm* local = std::localtime(&t)) out = *local;
  return out;
}

bool is_resident_name(const std::string& library_name) { return equals_ignoring_case(library_name, "Resident"); }

// The tweaked source as one write: the line list, CR LF after each line.
void write_tweaked_source(const std::string& path, const SourceLines& lines) {
  size_t bytes = 0;
  for (const std::string& line : lines.lines) bytes += line.size() + 2;
  std::string text;
  text.reserve(bytes);
  for (const std::string& line : lines.lines) {
    text += line;
    text += "\r\n";
  }
  platform::write_file(path, text);
}

// A wait run of the build (hidden with `hide`). Captured when the caller
// asked for that, and then told about when it failed; `expected` is the file
// the run is to make, empty when none is expected of it.
void wait_run(const BuildOptions& options, const std::string& what, const std::string& program,
              const std::string& arguments, bool hide, const std::string& expected) {
  if (!options.show_failed_run) {
    if (hide) {
      run_hidden_wait(program, arguments, "");
    } else {
      run_visible_wait(program, arguments, "");
    }
    return;
  }
  CapturedRun run = run_wait_captured(program, arguments, "", hide);
  if (expected.empty()) return;
  if (!run.started || run.exit_code != 0 || !platform::is_file(expected))
    options.show_failed_run(failed_run_text(what + " " + program, run) +
                            (platform::is_file(expected) ? "" : "\n" + expected + " was not made."));
}

}  // namespace

std::string library_name_of(const std::string& source_path) { return platform::file_stem(source_path); }

std::string resident_declarations_path(const std::string& work_folder, const std::string& library_name) {
  return work_folder + (is_resident_name(library_name) ? "Resident declarations.pb" : "Resident.pb");
}

BuildOutcome run_build(AppState& state, ManualModel& model, const BuildOptions& options) {
  platform::FileSystem& fs = platform::real_file_system();
  auto step = [&](int number, const std::string& what) {
    if (options.progress) options.progress(number, what);
  };
  const std::string& work = state.work_folder;
  const std::string& pb = state.purebasic_folder;
  const char sep = platform::separator();
  BuildOutcome outcome;

  step(1, "library name");
  const std::string name = library_name_of(state.library_source);

  step(2, "removing the old work folder " + work);
  delete_work_folder(work);

  step(3, "waiting for the work folder to go");
  if (!wait_until_gone(work, options.work_folder_wait)) {
    std::string text = blocked_work_folder_message(work, blocking_entries(work));
    if (options.report) options.report(text);
    else show_message_box("LibHammer", text, MessageIcon::kError);
    state.library_name.clear();
    state.build_ran = false;
    outcome.result = BuildResult::kWorkFolderBlocked;
    return outcome;
  }
  state.library_name = name;
  state.build_ran = true;

  step(4, "creating the work folder");
  platform::create_folder(work);

  step(5, "copying the include folder " + state.include_folder);
  if (!state.include_folder.empty() && !fs.is_folder(state.include_folder))
    tell(options.report, "The include folder " + state.include_folder + " does not exist: no files were copied from it.");
  const WorkFiles brought = copy_include_folder(fs, state.include_folder, work);

  step(6, "splitting " + state.library_source);
  split_source(fs, state.library_source, work, name, brought, model);
  state.library_version = model.library_version;
  state.exported_count = model.exported_count;

  step(7, "resident declarations");
  write_resident_notes(fs, work, model);

  step(8, "TailBite version");
  NotesInput notes;
  notes.tailbite_version = tailbite_version_text(tailbite_path(pb), options.version_wait, options.report);

  step(9, "compilation notes");
  notes.library_version = model.library_version;
  notes.compiler_version_line = compiler_version_line(pb, options.version_wait, options.report);
  outcome.compiler_version_line = notes.compiler_version_line;
  notes.time = options.now ? options.now() : local_now();
  notes.exported_count = model.exported_count;
  write_compilation_notes(fs, work, notes, model);

  step(10, "Compilation page");
  append_record(model.table, {kPageEntry, "", "Compilation", "", ""});
  register_contents_entry(model.contents, "", "Compilation");
  write_contents_register(fs, work, model.contents);

  step(11, "help pages and project");
  prepare_warnings(fs, work, model.table, model.entries);
  Highlighter highlighter = load_highlighter(state.colouring_library);
  write_function_pages(fs, work, model.table, model.entries, model.contents, highlighter);
  unload_highlighter(highlighter);
  write_help_project(fs, work, name, model.table, model.contents);
  // Only the line list and the table are read after this step.
  model.entries = ManualEntries();

  // Step 12's line comes once the manual is made, naming who made it.
  {
    const std::string hhc = find_help_compiler();
    CapturedRun run;
    ManualRun manual_run = compile_manual(work, name, hhc, options.show_failed_run ? &run : nullptr);
    step(12, "manual " + name + ".chm " + (manual_run.made ? "made by " : "not made: ") + manual_run.summary);
    outcome.manual_note = manual_run.note;
    // The note says how hhc.exe's runs went; what it printed comes with it,
    // when it printed anything.
    run.exit_code = -1;
    if (options.show_failed_run && !outcome.manual_note.empty() &&
        run.output.find_first_not_of(" \t\r\n") != std::string::npos)
      options.show_failed_run(failed_run_text("The help compiler " + hhc, run));
  }

  step(13, "tweaked source");
  tweak_source(model.lines, model.table);

  step(14, "writing " + work + name + ".pb");
  const std::string declarations = resident_declarations_path(work, name);
  if (is_resident_name(name)) {
    // The tweaked source is about to take the declarations' file name.
    platform::delete_file(declarations);
    for (const platform::FolderEntry& entry : platform::list_folder(work)) {
      if (!entry.is_folder && equals_ignoring_case(entry.name, "Resident.pb")) {
        platform::copy_file(work + entry.name, declarations);
        platform::delete_file(work + entry.name);
      }
    }
  }
  write_tweaked_source(work + name + ".pb", model.lines);
  // Nothing after this step reads the line list (packaging reads the file),
  // and on a large library it is the largest thing left in memory.
  model.lines = SourceLines();

  const std::string resident_file = pb + "Residents" + sep + name + ".res";
  step(15, "deleting the old resident file");
  platform::delete_file(resident_file);

  step(16, "TailBite");
  wait_run(options, "TailBite", tailbite_path(pb), quoted(work + name + ".pb") + " /MULT /CHM:" + name, false,
           pb + "PureLibraries" + sep + "UserLibraries" + sep + name);

  step(17, "resident file");
  // Without resident declarations the compiler has nothing to compile and
  // fails by design; only a resident file that was to come is missed.
  wait_run(options, "The PureBasic compiler", compiler_path(pb),
           quoted(declarations) + " /Resident " + quoted(resident_file), true,
           platform::is_file(declarations) ? resident_file : std::string());

  const std::string manual = work + name + ".chm";
  step(18, options.open_manual ? "opening the manual" : "manual not opened");
  if (options.open_manual) run_open(manual, "", "");

  step(19, "copying the manual into " + pb + "help");
  platform::create_folder(pb + "help");
  const std::string published = pb + "help" + sep + name + ".chm";
  if (!platform::copy_file(manual, published) && platform::is_file(manual))
    tell(options.report, "The manual could not be copied to " + published + ".");
  return outcome;
}

}  // namespace lh
