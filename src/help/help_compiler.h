// The help compiler run: the manual "<library>.chm" from the help project
// in the work folder.
#pragma once

#include <string>

#include "platform/run_program.h"
#include "purebasic/tool_runner.h"

namespace lh {

namespace platform {
class FileSystem;
}

// HTML Help Workshop's compiler as it is handed to the run facility: on
// Windows "hhc.exe" when the program search finds it, else its copy under
// Program Files; empty when there is none, and always empty elsewhere, where
// the built-in compiler makes the manual.
std::string find_help_compiler();

// What the manual's compilation did.
struct ManualRun {
  // Who made the manual, for the progress line: "hhc.exe", "the built-in
  // compiler (hhc.exe made no manual)", "the built-in compiler, with
  // full-text search", ...; why not when none was made.
  std::string summary;
  // What the user should be told in a message box: empty when there is
  // nothing to tell. The built-in compiler standing in is not news.
  std::string note;
  // hhc.exe's runs: started when one of them started; the last started
  // run's exit code; the output of every started run when it was captured;
  // stopped when the build's cancellation ended the last one (nothing else
  // was tried then).
  CapturedRun hhc;
};

// Compiles work folder + library name + ".hhp" into work folder + library
// name + ".chm", every file read and written through `files`. With `hhc` (a
// path from ToolRunner::help_compiler) it runs that through `tools` as a
// visible wait run in the work folder, and when no manual comes out, once
// more without full-text search from a copy of the project that is removed
// afterwards. When `hhc` is empty or made no manual, the built-in compiler
// makes it. With `capture_hhc_output`, hhc.exe's output is captured into
// `run.hhc` instead of going to the console. True when the manual is in the
// work folder; `run` says who made it, or why none was made.
bool compile_manual(platform::FileSystem& files, ToolRunner& tools, const std::string& work_folder,
                    const std::string& library_name, const std::string& hhc, bool capture_hhc_output, ManualRun& run);

// The outside programs as the program runs them, over the run facility,
// with HTML Help Workshop's compiler found where the system has it.
class RealToolRunner final : public ProcessToolRunner {
 public:
  using ProcessToolRunner::ProcessToolRunner;
  std::string help_compiler() override { return find_help_compiler(); }
};

// True when `path` holds a compiled help file (its "ITSF" signature).
bool is_compiled_manual(platform::FileSystem& files, const std::string& path);

}  // namespace lh
