// Child processes: the operating system's half of the run facility. A
// process is started from one command line (Windows passes it unchanged;
// POSIX splits it into argv the way the Microsoft C runtime would) and may
// have its standard output connected to a pipe.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lh::platform {

struct Process;

struct StartRequest {
  std::string command_line;    // quoted program path, then the arguments
  std::string working_folder;  // empty: the caller's current folder
  bool hide = false;           // hidden window; without `read` also no console
                               // (POSIX: standard handles on /dev/null)
  bool read = false;           // standard output into a pipe
  bool read_errors = false;    // with `read`: standard error into the same pipe
};

// Closes the pipe and process handles; the process itself goes on.
void release_process(Process* process);

struct ProcessRelease {
  void operator()(Process* process) const { release_process(process); }
};

// A started child as its owner holds it: moved, never copied, and released
// (handles closed, the child left running) when it goes out of scope, so no
// path through a caller can leak a handle or a pipe.
using ChildProcess = std::unique_ptr<Process, ProcessRelease>;

// Empty when the process cannot be created.
ChildProcess start_process(const StartRequest& request);

// Hands `path` to the system's open action (ShellExecuteEx "open" on
// Windows, xdg-open elsewhere). The handle may have no process to wait on
// (the viewer was already running); nullptr when the open action failed.
ChildProcess open_with_shell(const std::string& path, const std::string& arguments, const std::string& working_folder,
                             bool hide);

// Blocks until the process ends.
void wait_process(Process* process);

// True once the process has ended (or there is no process to follow).
bool process_ended(Process* process);

// Exit code after the end, -1 before or when unknown.
int process_exit_code(Process* process);

// Bytes waiting in the output pipe (0 without a pipe or after its end).
std::size_t pipe_bytes_available(Process* process);

// Reads at most `size` bytes; blocks until at least one byte arrives or the
// pipe ends. Returns 0 at the end of the output.
std::size_t read_pipe(Process* process, char* buffer, std::size_t size);

// Waits up to `milliseconds` for output or for the end of the process,
// whichever comes first.
void wait_for_change(Process* process, int milliseconds);

// Ends the process at once (it gets no chance to clean up) and waits for
// its end. Only for a process this program started and still follows.
void terminate_process(Process* process);

// This process's id.
unsigned long current_process_id();

// True while a process of that id exists (this one included).
bool process_is_running(unsigned long pid);

// The words of an argument text by the Microsoft C runtime's rules:
// blanks (space, tab) separate, double quotes group, backslashes are
// literal except before a quote (2n backslashes + quote: n backslashes and
// a quote that toggles grouping; 2n+1: n backslashes and a literal quote),
// and "" inside a group gives a literal quote.
std::vector<std::string> split_arguments(std::string_view text);

// A whole command line: the program word first (up to the first blank
// outside double quotes, the quotes removed, backslashes as they are), then
// split_arguments of the rest.
std::vector<std::string> split_command_line(std::string_view text);

}  // namespace lh::platform
