// A ToolRunner for tests: no process starts. Every command line is recorded
// as the run facility would form it; each program's answer, exit code,
// output and the files its run "makes" are scripted, and the files go into
// a FileSystem (a MemoryFileSystem in the pipeline's tests).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "help/help_compiler.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "purebasic/tool_runner.h"

namespace lh::test {

// The root of a MemoryFileSystem on this system.
inline std::string memory_root() {
#ifdef _WIN32
  return "C:\\";
#else
  return "/";
#endif
}

class ScriptedToolRunner final : public ToolRunner {
 public:
  struct Script {
    std::vector<std::string> answer;  // a version query's lines
    bool starts = true;
    int exit_code = 0;
    std::string output;                        // given to a capturing run
    std::map<std::string, std::string> makes;  // path -> content, written by a run
    // A program that reads its command line (a build run): when set, it
    // plays the run instead of the fields above, writing into the file
    // system it is handed.
    std::function<CapturedRun(const ToolCall& call, platform::FileSystem& files)> play;
  };

  explicit ScriptedToolRunner(platform::FileSystem& files) : files_(files) {}

  // By program path; a program without a script does not start.
  std::map<std::string, Script> scripts;
  // What help_compiler() names; empty: the built-in compiler.
  std::string hhc;
  // Every command line, in order; the built-in compiler as "built-in <project>",
  // the open action as "open <document>".
  std::vector<std::string> command_lines;

  bool ask_version(const VersionQuery& query, std::vector<std::string>& lines, std::string*) override {
    command_lines.push_back(command_line_for(query.program, query.argument));
    lines.clear();
    auto it = scripts.find(query.program);
    if (it == scripts.end() || !it->second.starts) return false;
    lines = it->second.answer;
    return true;
  }

  CapturedRun run_and_wait(const ToolCall& call) override {
    command_lines.push_back(command_line_for(call.program, call.arguments));
    CapturedRun run;
    auto it = scripts.find(call.program);
    if (it == scripts.end() || !it->second.starts) return run;
    if (it->second.play) return it->second.play(call, files_);
    for (const auto& [path, content] : it->second.makes) files_.write_file(path, content);
    run.started = true;
    run.exit_code = it->second.exit_code;
    if (call.capture) run.output = it->second.output;
    return run;
  }

  std::string help_compiler() override { return hhc; }

  // hhc.exe's run as scripted; the built-in compiler makes the manual when
  // hhc.exe made none and the project is there.
  ManualRun compile_manual(const std::string& work_folder, const std::string& library_name, const std::string& hhc_path,
                           CapturedRun* hhc_output) override {
    const std::string project = work_folder + library_name + ".hhp";
    const std::string manual = work_folder + library_name + ".chm";
    ManualRun manual_run;
    if (!hhc_path.empty()) {
      CapturedRun run = run_and_wait({hhc_path, "\"" + project + "\"", work_folder, false, hhc_output != nullptr});
      if (hhc_output) *hhc_output = run;
      manual_run.made = files_.is_file(manual);
      manual_run.summary = "hhc.exe";
      if (manual_run.made) return manual_run;
    }
    command_lines.push_back("built-in " + project);
    manual_run.made = files_.is_file(project) && files_.write_file(manual, "ITSF built-in");
    manual_run.summary = manual_run.made ? "the built-in compiler" : "no help project";
    if (!manual_run.made) manual_run.note = "The manual " + library_name + ".chm was not made: no help project.";
    return manual_run;
  }

  bool open_document(const std::string& path) override {
    command_lines.push_back("open " + path);
    return true;
  }

 private:
  platform::FileSystem& files_;
};

// Keeps what the user was told.
struct RecordingReporter final : Reporter {
  struct Told {
    std::string caption, text;
    MessageIcon icon;
  };
  std::vector<Told> told;
  std::vector<BuildProgress> progressed;
  void tell(const std::string& caption, const std::string& text, MessageIcon icon) override {
    told.push_back({caption, text, icon});
  }
  void progress(const BuildProgress& p) override { progressed.push_back(p); }
  bool ask(const std::string&, const std::string&) override { return false; }
};

}  // namespace lh::test
