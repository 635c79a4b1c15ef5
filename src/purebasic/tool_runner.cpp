// The real outside programs: version queries as bounded capture runs, build
// runs as wait runs, documents through the open action.
#include "purebasic/tool_runner.h"

#include "base/cancellation.h"

namespace lh {
namespace {

using Status = VersionAnswer::Status;

Status status_of(LineWait wait) {
  if (wait == LineWait::kLine) return Status::kAnswered;
  return wait == LineWait::kTimedOut ? Status::kTimedOut : Status::kTooLong;
}

// The first line, once output has come. program_running waits on the child
// while nothing happens, so this loop does not spin; the deadline ends it
// when the program stays silent.
Status read_first_line(Program* p, const VersionQuery& query, const Cancellation* cancel,
                       std::vector<std::string>& lines) {
  const auto deadline = std::chrono::steady_clock::now() + query.wait;
  while (program_running(p)) {
    if (stop_requested(cancel)) return Status::kStopped;
    if (available_output(p) != 0) {
      std::string line;
      const LineWait got = read_output_line_within(p, deadline, query.max_bytes, line);
      lines.push_back(line);
      return status_of(got);
    }
    if (std::chrono::steady_clock::now() >= deadline) return Status::kTimedOut;
  }
  return Status::kAnswered;  // ended without a word: an empty answer
}

// Every line up to the end of the output. A program that stays silent, or
// that prints without end, must not hold the build.
Status read_all_lines(Program* p, const VersionQuery& query, const Cancellation* cancel,
                      std::vector<std::string>& lines) {
  const auto deadline = std::chrono::steady_clock::now() + query.wait;
  std::size_t bytes = 0;
  LineWait got = LineWait::kLine;
  while (got == LineWait::kLine && (program_running(p) || available_output(p) > 0)) {
    if (stop_requested(cancel)) return Status::kStopped;
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
  return status_of(got);
}

}  // namespace

VersionAnswer ask_program_version(const VersionQuery& query, const Cancellation* cancel) {
  VersionAnswer answer;
  if (stop_requested(cancel)) {
    answer.status = Status::kStopped;
    return answer;
  }
  ProgramHandle p = query.hide ? run_hidden_capture(query.program, query.argument, "")
                               : run_capture(query.program, query.argument, "");
  if (!p) return answer;
  answer.status = query.first_line_only ? read_first_line(p.get(), query, cancel, answer.lines)
                                        : read_all_lines(p.get(), query, cancel, answer.lines);
  if (answer.status != Status::kAnswered) {
    end_program(std::move(p));
    answer.lines.clear();
  }
  return answer;
}

CapturedRun ProcessToolRunner::run_and_wait(const ToolCall& call) {
  return run_wait(call.program, call.arguments, call.working_folder, call.hide, call.capture, cancel_);
}

bool ProcessToolRunner::open_document(const std::string& path) { return run_open(path, "", "") == 1; }

}  // namespace lh
