// The one facility through which every outside program is started: the
// editor, the compiler, TailBite, the help compiler and the archiver. A run
// says whether the program started and, with RunOption::kKeep, gives a
// program handle whose standard output can be read line by line.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace lh {

class Cancellation;

// How a program is run; combined with "|".
enum class RunOption : unsigned {
  kNone = 0,
  kWait = 1,         // block until the child has ended
  kHide = 2,         // hide the child's window
  kKeep = 4,         // return a program handle through *handle
  kRead = 8,         // connect the child's standard output to a pipe (with kKeep)
  kReadErrors = 16,  // with kRead: standard error into the same pipe
};

constexpr RunOption operator|(RunOption a, RunOption b) {
  return static_cast<RunOption>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}

// True when `options` holds every option of `wanted`.
constexpr bool has(RunOption options, RunOption wanted) {
  return (static_cast<unsigned>(options) & static_cast<unsigned>(wanted)) == static_cast<unsigned>(wanted);
}

// A started child: its process, the read end of its output pipe and the
// output read from the pipe but not yet returned as lines.
struct Program;

// Releases the handle; a child that still runs is left running.
void close_program(Program* program);

struct ProgramClose {
  void operator()(Program* program) const { close_program(program); }
};

// A kept program as its owner holds it: moved, never copied, closed when it
// goes out of scope.
using ProgramHandle = std::unique_ptr<Program, ProgramClose>;

// The command line handed to the system: the program path in double quotes
// (unchanged when it already begins with one), then a space and the
// arguments when there are any. Arguments are never quoted here; callers
// quote the paths they put into them.
std::string command_line_for(const std::string& program, const std::string& arguments);

// A path as one argument between double quotes, such that the program
// receives it unchanged: trailing backslashes are doubled, since a
// backslash right before the closing quote would escape it.
std::string quoted_argument(const std::string& path);

// Starts `program` with `arguments` in `working_folder` (the current folder
// when empty); true when it started. With kKeep, *handle is set when it
// started and emptied when not. When the program cannot be started and
// kRead is not asked for, the path is handed to the system's open action (a
// document opens in its viewer).
bool run_program(const std::string& program, const std::string& arguments, const std::string& working_folder,
                 RunOption options, ProgramHandle* handle = nullptr);

// True while the child runs, and after its end for as long as output remains
// unread. When nothing has changed since the last look it waits a little on
// the child (at most a few milliseconds), so a caller that loops on it does
// not spin a processor.
bool program_running(Program* program);

// Output bytes that can be read without blocking (pipe plus buffer).
std::size_t available_output(Program* program);

// The next output line without its end (CR, LF or CR LF). Blocks until a
// line end arrives or the output ends; at the end returns what is left,
// possibly empty.
std::string read_output_line(Program* program);

enum class LineWait {
  kLine,      // a line came (or the output ended: the rest, possibly empty)
  kTimedOut,  // the deadline passed first
  kTooLong,   // more than the allowed bytes arrived without a line end
};

// read_output_line that gives up: it waits no longer than `deadline` and
// takes at most `max_bytes` without a line end. What arrived of an
// unfinished line stays unread.
LineWait read_output_line_within(Program* program, std::chrono::steady_clock::time_point deadline,
                                 std::size_t max_bytes, std::string& line);

// Everything the child still writes, up to the end of its output (blocks
// until then), with the output already buffered first.
std::string read_all_output(Program* program);

// Exit code of a child that has ended; -1 while it runs or when unknown.
int program_exit_code(Program* program);

// Ends the child (the one this handle follows, nothing else) and releases
// the handle.
void end_program(ProgramHandle program);

// A wait run whose standard output and error are captured rather than shown.
struct CapturedRun {
  bool started = false;
  int exit_code = -1;  // -1 when unknown
  std::string output;
  // Ended (or not started) because `cancel` was requested: its outputs may
  // be half written.
  bool stopped = false;
};
CapturedRun run_wait_captured(const std::string& program, const std::string& arguments,
                              const std::string& working_folder, bool hide, const Cancellation* cancel = nullptr);

// A wait run whose exit code is kept; its output is captured only with
// `capture` (otherwise it goes wherever the program puts it, and `output`
// stays empty). The command line is the one every other run forms. With
// `cancel`, the wait looks at it several times a second: once it is
// requested the child is ended (that child only, not the programs it may
// have started itself), and a run asked for after the request does not
// start.
CapturedRun run_wait(const std::string& program, const std::string& arguments, const std::string& working_folder,
                     bool hide, bool capture, const Cancellation* cancel = nullptr);

// What to tell about a run that failed: `what` (the program's name for the
// user), how it ended, and its output, each line indented.
std::string failed_run_text(const std::string& what, const CapturedRun& run);

// The five run mechanics; true when the program started.
bool run_visible_wait(const std::string& program, const std::string& arguments,
                      const std::string& working_folder);  // wait
bool run_hidden_wait(const std::string& program, const std::string& arguments,
                     const std::string& working_folder);  // wait, hide
ProgramHandle run_capture(const std::string& program, const std::string& arguments,
                          const std::string& working_folder);  // keep, read
ProgramHandle run_hidden_capture(const std::string& program, const std::string& arguments,
                                 const std::string& working_folder);  // hide, keep, read
bool run_open(const std::string& program, const std::string& arguments,
              const std::string& working_folder);  // no option

}  // namespace lh
