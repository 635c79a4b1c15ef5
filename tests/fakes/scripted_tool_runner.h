// A ToolRunner for tests: no process starts. Every command line is recorded
// as the run facility would form it; each program's answer, exit code,
// output and the files its run "makes" are scripted, and the files go into
// a FileSystem (a MemoryFileSystem in the pipeline's tests).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/cancellation.h"
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
    // The user stops the build while it runs: `cancel` is requested, and the
    // run ends as the run facility ends it (after what it made so far).
    bool stopped = false;
  };

  explicit ScriptedToolRunner(platform::FileSystem& files) : files_(files) {}

  // By program path; a program without a script does not start.
  std::map<std::string, Script> scripts;
  // By whole command line, before `scripts`: a program that answers one
  // call otherwise than another.
  std::map<std::string, Script> calls;
  // What help_compiler() names; empty: the built-in compiler.
  std::string hhc;
  // Requested by a run scripted as stopped.
  Cancellation* cancel = nullptr;
  // Every command line, in order; the open action as "open <document>".
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
    const std::string line = command_line_for(call.program, call.arguments);
    command_lines.push_back(line);
    CapturedRun run;
    auto by_line = calls.find(line);
    auto by_program = scripts.find(call.program);
    const Script* script = by_line != calls.end()        ? &by_line->second
                           : by_program != scripts.end() ? &by_program->second
                                                         : nullptr;
    if (!script || !script->starts) return run;
    if (script->play) return script->play(call, files_);
    for (const auto& [path, content] : script->makes) files_.write_file(path, content);
    run.started = true;
    if (script->stopped) {
      if (cancel) cancel->request();
      run.stopped = true;
      return run;
    }
    run.exit_code = script->exit_code;
    if (call.capture) run.output = script->output;
    return run;
  }

  std::string help_compiler() override { return hhc; }

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
