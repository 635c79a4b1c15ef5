// The program's start-up, step by step, and the headless build's variant.
#include "app/startup.h"

#include "app/settings.h"
#include "highlight/library_file.h"
#include "pipeline/app_state.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/run_program.h"
#include "platform/whole_file.h"
#include "purebasic/tools.h"

namespace lh {

namespace {

#ifdef _WIN32
constexpr const char* kEditor = "purebasic.exe";
#else
constexpr const char* kEditor = "purebasic";
#endif

bool tailbite_check(AppState& state) { return tailbite_present(state.purebasic_folder); }

}  // namespace

void set_program_paths(AppState& state, const std::string& program_file) {
  state.program_folder = platform::folder_part(program_file);
  state.settings_path = state.program_folder + platform::file_stem(program_file) + ".ini";
}

bool write_colouring_library(AppState& state, std::string_view image) {
  state.colouring_library = temp_folder() + kHighlighterLibraryFile;
  // Whole or not at all, and by a rename: another run that has the library
  // loaded keeps the file it loaded (truncating it under that run could end
  // it), and a full disk leaves no cut library that takes its last room.
  return platform::write_whole(platform::real_file_system(), state.colouring_library, image);
}

void set_work_folder(AppState& state) { state.work_folder = temp_folder() + "LibHammer" + platform::separator(); }

bool tailbite_present(const std::string& purebasic_folder) {
  const std::string path = purebasic_folder + "tailbite";
  if (platform::exists(path)) return true;
  if (platform::names_fold_case()) return false;
  // A case-sensitive file system: look for the name in any letter case.
  return !platform::entry_named_in_any_case(platform::real_file_system(), purebasic_folder, "tailbite").empty();
}

bool association_check(AppState& state, Reporter& reporter) {
  if (state.program_folder == purebasic_registry_lookup()) return false;
  reporter.tell("PureBasic editor will be launched",
                "Please close it\r\n.pb file association needed by TB To find the compiler path !",
                MessageIcon::kInformation);
  // The editor registers the .pb association while it runs.
  run_visible_wait(state.program_folder + kEditor, "", "");
  state.purebasic_folder = purebasic_registry_lookup();
  return true;
}

bool start_up(AppState& state, const std::string& program_file, std::string_view highlighter_image,
              Reporter& reporter) {
  write_colouring_library(state, highlighter_image);
  set_program_paths(state, program_file);
  read_settings(state);
  set_work_folder(state);
  if (!tailbite_present(purebasic_registry_lookup())) {
    reporter.tell("Error", "Tailbite not found", MessageIcon::kError);
    return false;
  }
  state.purebasic_folder = purebasic_registry_lookup();
  association_check(state, reporter);
  return true;
}

bool start_up_headless(AppState& state, const std::string& program_file, std::string_view highlighter_image,
                       const std::string& purebasic_folder) {
  write_colouring_library(state, highlighter_image);
  set_program_paths(state, program_file);
  set_work_folder(state);
  if (purebasic_folder.empty()) {
    state.purebasic_folder = purebasic_registry_lookup();
  } else {
    state.purebasic_folder = purebasic_folder;
    const char last = state.purebasic_folder.back();
    if (last != '\\' && last != '/') state.purebasic_folder += platform::separator();
  }
  return tailbite_check(state);
}

}  // namespace lh
