// Child processes on POSIX: posix_spawn with an optional pipe for standard
// output. The command line is split into argv by the Microsoft C runtime's
// rules so that argument texts written for Windows programs work unchanged.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/process.h"

extern char** environ;

namespace lh::platform {

struct Process {
  pid_t pid = -1;  // -1: nothing to follow (the open action gave no process)
  int out = -1;    // read end of the output pipe, or -1
  bool ended = false;
  int exit_code = -1;
};

namespace {

void note_status(Process* p, int status) {
  p->ended = true;
  if (WIFEXITED(status)) {
    p->exit_code = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    p->exit_code = 128 + WTERMSIG(status);
  }
}

// Children whose handles were released while they still ran. They are
// reaped at the next start so that a long session leaves no zombies.
std::vector<pid_t>& released_children() {
  static std::vector<pid_t> pids;
  return pids;
}

void reap_released_children() {
  std::vector<pid_t>& pids = released_children();
  for (std::size_t i = 0; i < pids.size();) {
    int status = 0;
    pid_t r = waitpid(pids[i], &status, WNOHANG);
    if (r == 0) {
      ++i;
    } else {
      pids[i] = pids.back();
      pids.pop_back();
    }
  }
}

void sleep_ms(int milliseconds) {
  timespec ts{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
  }
}

// Starts argv in `folder` (none when empty), standard output to `out_fd`
// when it is not -1. A detached child has no terminal: its standard handles
// lead to /dev/null, as a Windows child started without a console writes
// nowhere. Returns the pid or -1.
pid_t spawn(const std::vector<std::string>& words, const std::string& folder, int out_fd, int close_fd,
            bool detached = false, bool errors_too = false) {
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (out_fd != -1) {
    posix_spawn_file_actions_adddup2(&actions, out_fd, STDOUT_FILENO);
    if (errors_too) posix_spawn_file_actions_adddup2(&actions, out_fd, STDERR_FILENO);
  }
  if (close_fd != -1) posix_spawn_file_actions_addclose(&actions, close_fd);
  if (detached) {
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  }
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());

  // A program path with a separator is taken as it is; a bare name is
  // looked up on the search path, as CreateProcess does.
  const bool bare = words[0].find('/') == std::string::npos;
  pid_t pid = -1;
  int rc = bare ? posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ)
                : posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

}  // namespace

ChildProcess start_process(const StartRequest& request) {
  reap_released_children();
  std::vector<std::string> words = split_command_line(request.command_line);
  if (words.empty() || words[0].empty()) return nullptr;

  int fds[2] = {-1, -1};
  if (request.read && pipe2(fds, O_CLOEXEC) != 0) return nullptr;
  const bool detached = request.hide && !request.read;
  pid_t pid = spawn(words, request.working_folder, fds[1], fds[0], detached, request.read && request.read_errors);
  if (fds[1] != -1) close(fds[1]);
  if (pid == -1) {
    if (fds[0] != -1) close(fds[0]);
    return nullptr;
  }
  Process* p = new Process;
  p->pid = pid;
  p->out = fds[0];
  return ChildProcess(p);
}

ChildProcess open_with_shell(const std::string& path, const std::string& /*arguments*/,
                             const std::string& working_folder, bool /*hide*/) {
  // The open action opens existing documents only; anything else fails as
  // it would on Windows.
  if (path.empty() || !exists(path)) return nullptr;
  std::string opener = find_on_search_path("xdg-open");
  if (opener.empty()) return nullptr;
  // xdg-open takes exactly one document; the argument text has no place.
  pid_t pid = spawn({opener, path}, working_folder, -1, -1);
  if (pid == -1) return nullptr;
  Process* p = new Process;
  p->pid = pid;
  return ChildProcess(p);
}

void wait_process(Process* p) {
  if (!p || p->ended || p->pid == -1) {
    if (p) p->ended = true;
    return;
  }
  int status = 0;
  while (true) {
    pid_t r = waitpid(p->pid, &status, 0);
    if (r == p->pid) {
      note_status(p, status);
      return;
    }
    if (r == -1 && errno != EINTR) {
      p->ended = true;
      return;
    }
  }
}

bool process_ended(Process* p) {
  if (!p) return true;
  if (p->ended) return true;
  if (p->pid == -1) {
    p->ended = true;
    return true;
  }
  int status = 0;
  pid_t r = waitpid(p->pid, &status, WNOHANG);
  if (r == p->pid) {
    note_status(p, status);
  } else if (r == -1 && errno != EINTR) {
    p->ended = true;  // not our child any more: nothing left to wait for
  }
  return p->ended;
}

int process_exit_code(Process* p) { return p && p->ended ? p->exit_code : -1; }

std::size_t pipe_bytes_available(Process* p) {
  if (!p || p->out == -1) return 0;
  int n = 0;
  if (ioctl(p->out, FIONREAD, &n) != 0 || n < 0) return 0;
  return static_cast<std::size_t>(n);
}

std::size_t read_pipe(Process* p, char* buffer, std::size_t size) {
  if (!p || p->out == -1 || size == 0) return 0;
  while (true) {
    ssize_t n = read(p->out, buffer, size);
    if (n > 0) return static_cast<std::size_t>(n);
    if (n == -1 && errno == EINTR) continue;
    // The end of the output (or a broken pipe): nothing more will come.
    close(p->out);
    p->out = -1;
    return 0;
  }
}

void wait_for_change(Process* p, int milliseconds) {
  if (!p || process_ended(p)) return;
  if (p->out != -1) {
    pollfd pfd{p->out, POLLIN, 0};
    int r = poll(&pfd, 1, milliseconds);
    if (r <= 0 || (pfd.revents & POLLIN) || pipe_bytes_available(p) != 0) return;
    // Every writer has gone: from now on only the end of the process can
    // change anything, so stop watching the pipe.
    close(p->out);
    p->out = -1;
  }
  sleep_ms(milliseconds);
}

void terminate_process(Process* p) {
  if (!p || p->pid == -1 || process_ended(p)) return;
  kill(p->pid, SIGKILL);
  wait_process(p);
}

void release_process(Process* p) {
  if (!p) return;
  if (p->out != -1) close(p->out);
  // A child that still runs is left alone; it is reaped after its end by a
  // later start.
  if (p->pid != -1 && !p->ended) {
    int status = 0;
    if (waitpid(p->pid, &status, WNOHANG) == 0) released_children().push_back(p->pid);
  }
  delete p;
}

}  // namespace lh::platform

namespace lh::platform {

unsigned long current_process_id() { return static_cast<unsigned long>(::getpid()); }

bool process_is_running(unsigned long pid) {
  if (pid == 0) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace lh::platform
