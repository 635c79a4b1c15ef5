/* Preloaded into `libhammer build` by the kill test: counts the program's
 * own file writes and renames (not those of the programs it starts) and, at
 * the one numbered LH_KILL_AT, writes half of what was to be written and
 * then kills the process with SIGKILL, as a power failure or a script's
 * timeout would end it. LH_KILL_AT=0 only counts: the total goes into the
 * file LH_KILL_COUNT_FILE when the program ends normally. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static long kill_at = -1;
static long count;
static int active;
static pid_t owner;
static char count_file[4096];

typedef ssize_t (*write_fn)(int, const void*, size_t);
typedef int (*rename_fn)(const char*, const char*);

static write_fn real_write(void) {
  static write_fn f;
  if (!f) {
    void* p = dlsym(RTLD_NEXT, "write");
    memcpy(&f, &p, sizeof f); /* an object pointer to a function pointer, as POSIX allows */
  }
  return f;
}

static rename_fn real_rename(void) {
  static rename_fn f;
  if (!f) {
    void* p = dlsym(RTLD_NEXT, "rename");
    memcpy(&f, &p, sizeof f);
  }
  return f;
}

__attribute__((constructor)) static void start(void) {
  const char* at = getenv("LH_KILL_AT");
  if (!at || strcmp(program_invocation_short_name, "libhammer") != 0) return;
  kill_at = atol(at);
  const char* file = getenv("LH_KILL_COUNT_FILE");
  if (file) strncpy(count_file, file, sizeof count_file - 1);
  owner = getpid();
  active = 1;
  unsetenv("LH_KILL_AT"); /* the programs it starts are not counted */
}

__attribute__((destructor)) static void end(void) {
  if (!active || getpid() != owner || !count_file[0]) return;
  char text[32];
  int n = snprintf(text, sizeof text, "%ld\n", count);
  int fd = open(count_file, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return;
  if (real_write()(fd, text, (size_t)n) < 0) perror("kill_at");
  close(fd);
}

/* True when this call is the moment to die. */
static int moment(void) { return active && getpid() == owner && ++count == kill_at; }

ssize_t write(int fd, const void* data, size_t size) {
  if (fd > 2 && moment()) {
    if (size > 1) real_write()(fd, data, size / 2);
    kill(getpid(), SIGKILL);
  }
  return real_write()(fd, data, size);
}

int rename(const char* from, const char* to) {
  if (moment()) kill(getpid(), SIGKILL);
  return real_rename()(from, to);
}
