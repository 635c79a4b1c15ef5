// The help compiler run: the manual "<library>.chm" from the help project
// in the work folder.
#pragma once

#include <string>

#include "platform/run_program.h"
#include "purebasic/tool_runner.h"

namespace lh {

// HTML Help Workshop's compiler as it is handed to the run facility: on
// Windows "hhc.exe" when the program search finds it, else its copy under
// Program Files; empty when there is none, and always empty elsewhere, where
// the built-in compiler makes the manual.
std::string find_help_compiler();

struct ManualRun {
  bool made = false;  // the manual is in the work folder
  // Who made it, for the progress line: "hhc.exe", "the built-in compiler
  // (hhc.exe made no manual)", "the built-in compiler, with full-text
  // search", ...; why not when no manual was made.
  std::string summary;
  // What the user should be told in a message box: empty when there is
  // nothing to tell. The built-in compiler standing in is not news.
  std::string note;
  // hhc.exe was ended on the build's cancellation: no manual, and nothing
  // else was tried.
  bool stopped = false;
  // The built-in compiler made the manual but could not write it (a full
  // disk): the build stops there.
  std::string write_failure;  // why, empty when it was not that
};

// Compiles work folder + library name + ".hhp" into work folder + library
// name + ".chm". With `hhc` (a path from find_help_compiler) it runs that as
// a visible wait run in the work folder, and when no manual comes out, once
// more without full-text search from a copy of the project that is removed
// afterwards. When `hhc` is empty or made no manual, the built-in compiler
// makes it. With `captured`, hhc.exe's output is captured into it (with the
// last run's exit code) instead of going to the console. hhc.exe starts
// through `tools`.
ManualRun compile_manual(ToolRunner& tools, const std::string& work_folder, const std::string& library_name,
                         const std::string& hhc, CapturedRun* captured = nullptr);

// The same with find_help_compiler() and the real programs.
ManualRun compile_manual(const std::string& work_folder, const std::string& library_name);

// The outside programs as the program runs them: the run facility for
// TailBite, the compiler and the viewer; hhc.exe or the built-in compiler
// for the manual.
class RealToolRunner final : public ProcessToolRunner {
 public:
  using ProcessToolRunner::ProcessToolRunner;
  std::string help_compiler() override { return find_help_compiler(); }
  ManualRun compile_manual(const std::string& work_folder, const std::string& library_name, const std::string& hhc,
                           CapturedRun* hhc_output) override {
    return lh::compile_manual(*this, work_folder, library_name, hhc, hhc_output);
  }
};

// True when `path` holds a compiled help file (its "ITSF" signature).
bool is_compiled_manual(const std::string& path);

}  // namespace lh
