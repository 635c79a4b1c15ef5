// The real outside programs: version queries as bounded capture runs, build
// runs as wait runs, documents through the open action.
#include "purebasic/tool_runner.h"

#include "base/cancellation.h"
#include "purebasic/tools.h"

namespace lh {
namespace {

// The first line, once output has come. program_running waits on the child
// while nothing happens, so this loop does not spin; the deadline ends it
// when the program stays silent. A requested stop ends it too (the caller
// reads that from its cancellation).
LineWait read_first_line(Program* p, const VersionQuery& query, const Cancellation* cancel,
                         std::vector<std::string>& lines) {
  const auto deadline = std::chrono::steady_clock::now() + query.wait;
  while (program_running(p)) {
    if (stop_requested(cancel)) return LineWait::kTimedOut;
    if (available_output(p) != 0) {
      std::string line;
      const LineWait got = read_output_line_within(p, deadline, query.max_bytes, line);
      lines.push_back(line);
      return got;
    }
    if (std::chrono::steady_clock::now() >= deadline) return LineWait::kTimedOut;
  }
  return LineWait::kLine;  // ended without a word: an empty answer
}

// Every line up to the end of the output. A program that stays silent, or
// that prints without end, must not hold the build.
LineWait read_all_lines(Program* p, const VersionQuery& query, const Cancellation* cancel,
                        std::vector<std::string>& lines) {
  const auto deadline = std::chrono::steady_clock::now() + query.wait;
  std::size_t bytes = 0;
  LineWait got = LineWait::kLine;
  while (got == LineWait::kLine && (program_running(p) || available_output(p) > 0)) {
    if (stop_requested(cancel)) return LineWait::kTimedOut;
    if (bytes > query.max_bytes) {
      got = LineWait::kTooLong;
    } else if (std::chrono::steady_clock::now() >= deadline) {
      got = LineWait::kTimedOut;
    } else if (available_output(p) > 0) {
      std::string line;
      got = read_output_line_within(p, deadline, query.max_bytes, line);
      bytes += line.size();
      lines.push_back(std::move(line));
    }
  }
  return got;
}

}  // namespace

bool ask_program_version(const VersionQuery& query, std::vector<std::string>& lines, std::string* error,
                         const Cancellation* cancel) {
  lines.clear();
  if (stop_requested(cancel)) return false;
  ProgramHandle p = query.hide ? run_hidden_capture(query.program, query.argument, "")
                               : run_capture(query.program, query.argument, "");
  if (!p) return false;
  const LineWait got = query.first_line_only ? read_first_line(p.get(), query, cancel, lines)
                                             : read_all_lines(p.get(), query, cancel, lines);
  if (got == LineWait::kLine) return true;
  end_program(std::move(p));
  lines.clear();
  // A stop the user asked for is no failure to tell of.
  if (error && !stop_requested(cancel))
    *error = got == LineWait::kTimedOut
                 ? "within " + wait_text(query.wait)
                 : "with a version text (it printed more than " + std::to_string(query.max_bytes / 1024) + " KiB)";
  return false;
}

CapturedRun ProcessToolRunner::run_and_wait(const ToolCall& call) {
  return run_wait(call.program, call.arguments, call.working_folder, call.hide, call.capture, cancel_);
}

bool ProcessToolRunner::open_document(const std::string& path) { return run_open(path, "", ""); }

}  // namespace lh
