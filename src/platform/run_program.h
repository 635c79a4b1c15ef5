// The one facility through which every outside program is started: the
// editor, the compiler, TailBite, the help compiler and the archiver. A run
// either returns 1/0 (started or not) or, with kRunKeep, a program handle
// whose standard output can be read line by line.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace lh {

enum RunOption : unsigned {
  kRunWait = 1,  // block until the child has ended
  kRunHide = 2,  // hide the child's window
  kRunKeep = 4,  // return a program handle through *handle
  kRunRead = 8,  // connect the child's standard output to a pipe (with kRunKeep)
  kRunReadErrors = 16,  // with kRunRead: standard error into the same pipe
};

// A started child: its process, the read end of its output pipe and the
// output read from the pipe but not yet returned as lines.
struct Program;

// The command line handed to the system: the program path in double quotes
// (unchanged when it already begins with one), then a space and the
// arguments when there are any. Arguments are never quoted here; callers
// quote the paths they put into them.
std::string command_line_for(const std::string& program, const std::string& arguments);

// Starts `program` with `arguments` in `working_folder` (the current folder
// when empty). Without kRunKeep returns 1 when started and 0 when not. With
// kRunKeep returns 1 and sets *handle, or 0 and sets *handle to nullptr.
// When the program cannot be started and kRunRead is not asked for, the path
// is handed to the system's open action (a document opens in its viewer).
int run_program(const std::string& program, const std::string& arguments,
                const std::string& working_folder, unsigned options,
                Program** handle = nullptr);

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

// Releases the handle; a child that still runs is left running.
void close_program(Program* program);

// Ends the child (the one this handle follows, nothing else) and releases
// the handle.
void end_program(Program* program);

// A wait run whose standard output and error are captured rather than shown.
struct CapturedRun {
  bool started = false;
  int exit_code = -1;  // -1 when unknown
  std::string output;
};
CapturedRun run_wait_captured(const std::string& program, const std::string& arguments,
                              const std::string& working_folder, bool hide);

// What to tell about a run that failed: `what` (the program's name for the
// user), how it ended, and its output, each line indented.
std::string failed_run_text(const std::string& what, const CapturedRun& run);

// The five run mechanics.
int run_visible_wait(const std::string& program, const std::string& arguments,
                     const std::string& working_folder);  // wait
int run_hidden_wait(const std::string& program, const std::string& arguments,
                    const std::string& working_folder);  // wait, hide
Program* run_capture(const std::string& program, const std::string& arguments,
                     const std::string& working_folder);  // keep, read
Program* run_hidden_capture(const std::string& program, const std::string& arguments,
                            const std::string& working_folder);  // hide, keep, read
int run_open(const std::string& program, const std::string& arguments,
             const std::string& working_folder);  // no option

}  // namespace lh
