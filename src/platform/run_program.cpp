// The run facility over the platform's processes: forming the command line,
// the fallback to the open action, and line reading with a buffer.
#include "platform/run_program.h"

#include "base/cancellation.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace lh {

struct Program {
  platform::ChildProcess child;
  platform::Process* process = nullptr;  // child.get(), for the calls below
  std::string buffer;                    // output read from the pipe, from `start` on unread
  std::size_t start = 0;
  bool output_ended = false;  // the pipe has given its last byte
  // The last line ended at a CR that was the last byte read so far; an LF
  // arriving next belongs to the same line end.
  bool pending_cr = false;
};

namespace {

constexpr int kIdleWaitMs = 10;
// How often a wait that can be cancelled looks at its cancellation.
constexpr int kCancelLookMs = 50;
constexpr std::size_t kChunk = 16 * 1024;

// The path without the quotes the caller may have put around it.
std::string unquoted(const std::string& program) {
  if (program.empty() || program[0] != '"') return program;
  std::size_t close = program.find('"', 1);
  return program.substr(1, close == std::string::npos ? std::string::npos : close - 1);
}

std::size_t unread(const Program* p) { return p->buffer.size() - p->start; }

void append(Program* p, const char* data, std::size_t size) {
  // Drop what has been returned before growing, so the buffer stays as
  // large as the unread output and no larger.
  if (p->start > 0 && p->start >= p->buffer.size() / 2) {
    p->buffer.erase(0, p->start);
    p->start = 0;
  }
  std::size_t skip = 0;
  if (p->pending_cr && size > 0) {
    if (data[0] == '\n') skip = 1;
    p->pending_cr = false;
  }
  p->buffer.append(data + skip, size - skip);
}

// Moves whatever the pipe holds into the buffer without blocking.
void take_available(Program* p) {
  if (p->output_ended) return;
  char chunk[4096];
  while (std::size_t n = platform::pipe_bytes_available(p->process)) {
    std::size_t got = platform::read_pipe(p->process, chunk, n < sizeof chunk ? n : sizeof chunk);
    if (got == 0) {
      p->output_ended = true;
      return;
    }
    append(p, chunk, got);
  }
}

// Blocks until more output arrives; false at the end of the output.
bool take_more(Program* p) {
  if (p->output_ended) return false;
  char chunk[kChunk];
  std::size_t got = platform::read_pipe(p->process, chunk, sizeof chunk);
  if (got == 0) {
    p->output_ended = true;
    p->pending_cr = false;
    return false;
  }
  append(p, chunk, got);
  return true;
}

}  // namespace

std::string command_line_for(const std::string& program, const std::string& arguments) {
  std::string line;
  if (!program.empty() && program[0] == '"') {
    line = program;
  } else {
    line = "\"" + program + "\"";
  }
  if (!arguments.empty()) line += " " + arguments;
  return line;
}

std::string quoted_argument(const std::string& path) {
  size_t trailing = 0;
  while (trailing < path.size() && path[path.size() - 1 - trailing] == '\\') ++trailing;
  return "\"" + path + std::string(trailing, '\\') + "\"";
}

bool run_program(const std::string& program, const std::string& arguments, const std::string& working_folder,
                 RunOption options, ProgramHandle* handle) {
  if (handle) handle->reset();
  const bool keep = has(options, RunOption::kKeep);
  platform::StartRequest request;
  request.command_line = command_line_for(program, arguments);
  request.working_folder = working_folder;
  request.hide = has(options, RunOption::kHide);
  // A pipe that nobody reads would stall the child once it fills, so output
  // is captured only for a handle that can read it.
  request.read = has(options, RunOption::kRead) && keep && handle;
  request.read_errors = request.read && has(options, RunOption::kReadErrors);

  platform::ChildProcess child = platform::start_process(request);
  if (!child && !has(options, RunOption::kRead)) {
    std::string path = unquoted(program);
    child = platform::open_with_shell(
        path, arguments, working_folder.empty() ? platform::folder_part(path) : working_folder, request.hide);
  }
  if (!child) return false;

  if (!keep || !handle) {
    if (has(options, RunOption::kWait)) platform::wait_process(child.get());
    return true;
  }
  ProgramHandle p(new Program);
  p->process = child.get();
  p->child = std::move(child);
  p->output_ended = !request.read;
  if (has(options, RunOption::kWait)) {
    // Waiting with a pipe: keep draining it so a child with much output can
    // reach its end; everything read stays in the buffer for the caller.
    while (take_more(p.get())) {
    }
    platform::wait_process(p->process);
  }
  *handle = std::move(p);
  return true;
}

bool program_running(Program* p) {
  if (!p) return false;
  if (unread(p) > 0) return true;  // output remains: no need to ask the system
  const bool ended = platform::process_ended(p->process);
  take_available(p);
  if (unread(p) > 0) return true;
  if (ended) return false;
  // Nothing to read and the child still runs: wait a moment for output or
  // for its end instead of letting the caller's loop spin.
  platform::wait_for_change(p->process, kIdleWaitMs);
  return true;
}

std::size_t available_output(Program* p) {
  if (!p) return 0;
  if (unread(p) == 0) take_available(p);
  return unread(p) + platform::pipe_bytes_available(p->process);
}

std::string read_output_line(Program* p) {
  if (!p) return {};
  std::size_t scanned = p->start;
  while (true) {
    const char* data = p->buffer.data();
    const std::size_t size = p->buffer.size();
    std::size_t i = scanned;
    while (i < size && data[i] != '\r' && data[i] != '\n') ++i;
    if (i < size) {
      std::string line(data + p->start, i - p->start);
      std::size_t next = i + 1;
      if (data[i] == '\r') {
        if (next < size) {
          if (data[next] == '\n') ++next;
        } else {
          p->pending_cr = !p->output_ended;
        }
      }
      p->start = next;
      return line;
    }
    // No line end yet: wait for more output, keeping what was scanned.
    std::size_t offset = i - p->start;
    if (!take_more(p)) {
      std::string rest = p->buffer.substr(p->start);
      p->start = p->buffer.size();
      return rest;
    }
    scanned = p->start + offset;
  }
}

LineWait read_output_line_within(Program* p, std::chrono::steady_clock::time_point deadline, std::size_t max_bytes,
                                 std::string& line) {
  line.clear();
  if (!p) return LineWait::kLine;
  for (;;) {
    take_available(p);
    const char* data = p->buffer.data() + p->start;
    const std::size_t size = unread(p);
    bool complete = p->output_ended;
    for (std::size_t i = 0; i < size && !complete; ++i) complete = data[i] == '\r' || data[i] == '\n';
    // A whole line is there, or the output has ended: no more waiting.
    if (complete) {
      line = read_output_line(p);
      return LineWait::kLine;
    }
    if (size > max_bytes) return LineWait::kTooLong;
    if (platform::process_ended(p->process)) {
      // The child has gone; the rest of its output is in the pipe already.
      take_more(p);
      continue;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return LineWait::kTimedOut;
    platform::wait_for_change(p->process,
                              left.count() < kIdleWaitMs ? static_cast<int>(left.count()) + 1 : kIdleWaitMs);
  }
}

std::string read_all_output(Program* p) {
  if (!p) return {};
  while (take_more(p)) {
  }
  std::string rest = p->buffer.substr(p->start);
  p->start = p->buffer.size();
  return rest;
}

int program_exit_code(Program* p) {
  if (!p || !platform::process_ended(p->process)) return -1;
  return platform::process_exit_code(p->process);
}

// The child handle releases itself with the Program.
void close_program(Program* p) { delete p; }

void end_program(ProgramHandle p) {
  if (p) platform::terminate_process(p->process);
}

namespace {

// Waits for the child's end while looking at `cancel`, keeping the pipe
// drained so that a child with much output can reach its end. True when
// the child ended on its own; false when it was ended on request.
bool wait_unless_cancelled(Program* p, const Cancellation& cancel) {
  while (!platform::process_ended(p->process)) {
    if (cancel.requested()) {
      platform::terminate_process(p->process);
      return false;
    }
    take_available(p);
    platform::wait_for_change(p->process, kCancelLookMs);
  }
  return true;
}

}  // namespace

CapturedRun run_wait(const std::string& program, const std::string& arguments, const std::string& working_folder,
                     bool hide, bool capture, const Cancellation* cancel) {
  CapturedRun run;
  if (stop_requested(cancel)) {
    run.stopped = true;
    return run;
  }
  ProgramHandle p;
  RunOption options = RunOption::kKeep;
  if (!cancel) options = options | RunOption::kWait;
  if (capture) options = options | RunOption::kRead | RunOption::kReadErrors;
  if (hide) options = options | RunOption::kHide;
  if (!run_program(program, arguments, working_folder, options, &p)) return run;
  run.started = true;
  if (cancel && !wait_unless_cancelled(p.get(), *cancel)) {
    // A program it started may still hold the pipe open: only what is
    // there now is taken.
    take_available(p.get());
    run.output = p->buffer.substr(p->start);
    run.stopped = true;
    return run;
  }
  run.output = read_all_output(p.get());
  run.exit_code = program_exit_code(p.get());
  return run;
}

CapturedRun run_wait_captured(const std::string& program, const std::string& arguments,
                              const std::string& working_folder, bool hide, const Cancellation* cancel) {
  return run_wait(program, arguments, working_folder, hide, true, cancel);
}

std::string failed_run_text(const std::string& what, const CapturedRun& run) {
  if (!run.started) return what + " could not be started.";
  std::string text = what;
  text += run.exit_code == -1 ? " ended" : " ended with exit code " + std::to_string(run.exit_code);
  if (run.output.find_first_not_of(" \t\r\n") == std::string::npos) return text + " and printed nothing.";
  text += "; its output:";
  std::size_t start = 0;
  while (start < run.output.size()) {
    std::size_t end = run.output.find_first_of("\r\n", start);
    if (end == std::string::npos) end = run.output.size();
    text += "\n    " + run.output.substr(start, end - start);
    if (end + 1 < run.output.size() && run.output[end] == '\r' && run.output[end + 1] == '\n') ++end;
    start = end + 1;
  }
  return text;
}

bool run_visible_wait(const std::string& program, const std::string& arguments, const std::string& working_folder) {
  return run_program(program, arguments, working_folder, RunOption::kWait);
}

bool run_hidden_wait(const std::string& program, const std::string& arguments, const std::string& working_folder) {
  return run_program(program, arguments, working_folder, RunOption::kWait | RunOption::kHide);
}

ProgramHandle run_capture(const std::string& program, const std::string& arguments, const std::string& working_folder) {
  ProgramHandle p;
  run_program(program, arguments, working_folder, RunOption::kKeep | RunOption::kRead, &p);
  return p;
}

ProgramHandle run_hidden_capture(const std::string& program, const std::string& arguments,
                                 const std::string& working_folder) {
  ProgramHandle p;
  run_program(program, arguments, working_folder, RunOption::kHide | RunOption::kKeep | RunOption::kRead, &p);
  return p;
}

bool run_open(const std::string& program, const std::string& arguments, const std::string& working_folder) {
  return run_program(program, arguments, working_folder, RunOption::kNone);
}

}  // namespace lh
