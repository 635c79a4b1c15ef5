#include "help/help_compiler.h"

#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/system.h"
#include "shell/run_program.h"

namespace lh {
namespace {

constexpr const char* kSearchOn = "Full-text search=Yes";
constexpr const char* kSearchOff = "Full-text search=No";

// Runs the compiler as a visible wait run; its exit code, or -1 when unknown
// (and -2 when it could not be started).
int run_compiler(const std::string& compiler, const std::string& project, const std::string& folder) {
  Program* program = nullptr;
  if (!run_program(compiler, "\"" + project + "\"", folder, kRunWait | kRunKeep, &program)) return -2;
  int code = program_exit_code(program);
  close_program(program);
  return code;
}

std::string exit_text(int code) {
  if (code == -2) return "could not be started";
  if (code == -1) return "ended";
  return "ended with exit code " + std::to_string(code);
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
  return {};
#else
  std::string path = platform::find_on_search_path("hhc");
  if (path.empty()) path = platform::find_on_search_path("chmcmd");
  return path;
#endif
}

bool is_compiled_manual(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char signature[4] = {};
  size_t n = std::fread(signature, 1, sizeof signature, f);
  std::fclose(f);
  return n == 4 && std::memcmp(signature, "ITSF", 4) == 0;
}

std::string compile_manual(const std::string& work_folder, const std::string& library_name,
                           const std::string& compiler) {
  const std::string project = work_folder + library_name + ".hhp";
  const std::string manual = work_folder + library_name + ".chm";
  if (compiler.empty())
    return "No help compiler found (hhc.exe, or hhc or chmcmd on the search path): the manual " +
           library_name + ".chm was not made.";
  // A manual left by an earlier run must not pass for this run's.
  platform::delete_file(manual);
  int first = run_compiler(compiler, project, work_folder);
  if (is_compiled_manual(manual)) return {};

  // Once more without full-text search, from a copy of the project.
  std::string text;
  if (!platform::read_file(project, text))
    return "The help compiler " + exit_text(first) + " and made no manual: " + project + " could not be read.";
  size_t at = text.find(kSearchOn);
  if (at != std::string::npos) text.replace(at, std::strlen(kSearchOn), kSearchOff);
  const std::string derived = work_folder + library_name + "-nosearch.hhp";
  if (!platform::write_file(derived, text))
    return "The help compiler " + exit_text(first) + " and made no manual; " + derived + " could not be written.";
  platform::delete_file(manual);
  int second = run_compiler(compiler, derived, work_folder);
  platform::delete_file(derived);
  if (is_compiled_manual(manual))
    return "The help compiler " + exit_text(first) + " without making " + library_name +
           ".chm; it was compiled again without full-text search, so the manual has no search tab.";
  return "The help compiler " + exit_text(first) + " and made no manual, and again without full-text search (" +
         exit_text(second) + "): " + library_name + ".chm is missing.";
}

std::string compile_manual(const std::string& work_folder, const std::string& library_name) {
  return compile_manual(work_folder, library_name, find_help_compiler());
}

}  // namespace lh
