// The outside programs a build starts, behind one interface: TailBite and
// the PureBasic compiler (their version queries and their build runs),
// HTML Help Workshop's compiler and the help viewer. The program starts them
// through the run facility (ProcessToolRunner here, RealToolRunner in
// help/help_compiler.h adds where hhc.exe is); tests script their answers
// and read back every command line.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/run_program.h"

namespace lh {

class Cancellation;

// A build run: the program, its arguments as they go onto the command line,
// and how it is run. It is waited for.
struct ToolCall {
  std::string program;
  std::string arguments;
  std::string working_folder;  // empty: the current folder
  bool hide = false;           // hidden window
  bool capture = false;        // its output captured rather than shown
};

// A version query ("/VERSION", "/VERS"): its answer must come within `wait`
// and hold less than `max_bytes` without a line end.
struct VersionQuery {
  std::string program;
  std::string argument;
  bool hide = false;
  // The compiler's answer is its first line; TailBite's is every line it
  // prints up to its end.
  bool first_line_only = false;
  std::chrono::milliseconds wait{0};
  std::size_t max_bytes = 0;
};

// Packaging needs the compiler's version only: this part of ToolRunner.
class VersionAsker {
 public:
  virtual ~VersionAsker() = default;
  // True when the program answered: its lines are in `lines`. False when
  // it gave no answer: it could not be started, the run's cancellation
  // ended it, or it was ended for staying silent past `wait` or printing
  // `max_bytes` without end. For those two last only, the ones the user
  // hears of, `error` receives why, as it follows "did not answer
  // \"/VERS\" ": "within 30 s", "with a version text (it printed more than
  // 64 KiB)". A program that has not answered is ended before this returns.
  virtual bool ask_version(const VersionQuery& query, std::vector<std::string>& lines, std::string* error) = 0;
};

// The query as a capture run of the real program. Once `cancel` is
// requested the program is ended at the next look, and none is started.
bool ask_program_version(const VersionQuery& query, std::vector<std::string>& lines, std::string* error,
                         const Cancellation* cancel = nullptr);

class ProcessVersionAsker final : public VersionAsker {
 public:
  explicit ProcessVersionAsker(const Cancellation* cancel = nullptr) : cancel_(cancel) {}
  bool ask_version(const VersionQuery& query, std::vector<std::string>& lines, std::string* error) override {
    return ask_program_version(query, lines, error, cancel_);
  }

 private:
  const Cancellation* cancel_;
};

class ToolRunner : public VersionAsker {
 public:
  // Starts the program and waits for its end; the exit code is kept.
  virtual CapturedRun run_and_wait(const ToolCall& call) = 0;

  // HTML Help Workshop's compiler as the run facility is handed it; empty
  // when there is none (the built-in compiler makes the manual then).
  virtual std::string help_compiler() = 0;

  // Hands a document to the system's open action; false when nothing opened it.
  virtual bool open_document(const std::string& path) = 0;
};

// Everything but where hhc.exe is, over the run facility. With a cancellation,
// every run it waits for is ended once the cancellation is requested, and
// no run starts after that.
class ProcessToolRunner : public ToolRunner {
 public:
  explicit ProcessToolRunner(const Cancellation* cancel = nullptr) : cancel_(cancel) {}
  bool ask_version(const VersionQuery& query, std::vector<std::string>& lines, std::string* error) override {
    return ask_program_version(query, lines, error, cancel_);
  }
  CapturedRun run_and_wait(const ToolCall& call) override;
  bool open_document(const std::string& path) override;

 private:
  const Cancellation* cancel_;
};

}  // namespace lh
