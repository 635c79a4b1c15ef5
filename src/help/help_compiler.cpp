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
// (and -2 when it could not be started). With `captured` its output goes
// there rather than to the console.
int run_compiler(const std::string& compiler, const std::string& project, const std::string& folder,
                 CapturedRun* captured) {
  Program* program = nullptr;
  const unsigned capture = captured ? kRunRead | kRunReadErrors : 0u;
  if (!run_program(compiler, "\"" + project + "\"", folder, kRunWait | kRunKeep | capture, &program)) return -2;
  int code = program_exit_code(program);
  if (captured) {
    captured->started = true;
    captured->exit_code = code;
    captured->output += read_all_output(program);
  }
  close_program(program);
  return code;
}

// Writes a derived project beside the real one, compiles it and removes it.
int run_derived(const std::string& compiler, const std::string& work_folder, const std::string& name,
                const std::string& text, CapturedRun* captured) {
  const std::string path = work_folder + name;
  if (!platform::write_file(path, text)) return -2;
  int code = run_compiler(compiler, path, work_folder, captured);
  platform::delete_file(path);
  return code;
}

bool is_chmcmd(const std::string& compiler) {
  size_t slash = compiler.find_last_of("/\\");
  std::string name = compiler.substr(slash == std::string::npos ? 0 : slash + 1);
  return name == "chmcmd" || name == "chmcmd.exe";
}

// The value of the project's "Default topic=" line; empty when it has none.
std::string default_topic(const std::string& project) {
  const std::string key = "Default topic=";
  size_t at = project.find(key);
  if (at == std::string::npos || (at > 0 && project[at - 1] != '\n')) return {};
  at += key.size();
  size_t end = project.find_first_of("\r\n", at);
  return project.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// The project with a file list naming `page`.
std::string with_file(std::string project, const std::string& page) {
  if (!project.empty() && project.back() != '\n') project += "\r\n";
  return project + "[FILES]\r\n" + page + "\r\n";
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
                           const std::string& compiler, CapturedRun* captured) {
  const std::string project = work_folder + library_name + ".hhp";
  const std::string manual = work_folder + library_name + ".chm";
  if (compiler.empty())
    return "No help compiler found (hhc.exe, or hhc or chmcmd on the search path): the manual " +
           library_name + ".chm was not made.";
  std::string text;
  const bool readable = platform::read_file(project, text);
  // chmcmd compiles the pages that the contents, the index and their links
  // name, but not the default topic, which hhc.exe takes in on its own: the
  // start page would be missing. chmcmd gets a derived project that lists it.
  std::string start_page;
  if (readable && is_chmcmd(compiler)) {
    start_page = default_topic(text);
    if (!start_page.empty() && !platform::is_file(work_folder + start_page)) start_page.clear();
  }

  // A manual left by an earlier run must not pass for this run's.
  platform::delete_file(manual);
  int first;
  if (start_page.empty()) {
    first = run_compiler(compiler, project, work_folder, captured);
  } else {
    first = run_derived(compiler, work_folder, library_name + "-chmcmd.hhp", with_file(text, start_page), captured);
  }
  if (is_compiled_manual(manual)) return {};

  // Once more without full-text search, from a derived project.
  if (!readable)
    return "The help compiler " + exit_text(first) + " and made no manual: " + project + " could not be read.";
  std::string retry = text;
  size_t at = retry.find(kSearchOn);
  if (at != std::string::npos) retry.replace(at, std::strlen(kSearchOn), kSearchOff);
  if (!start_page.empty()) retry = with_file(retry, start_page);
  platform::delete_file(manual);
  int second = run_derived(compiler, work_folder, library_name + "-nosearch.hhp", retry, captured);
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
