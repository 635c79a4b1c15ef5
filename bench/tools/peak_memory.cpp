// Preloaded into a program (LD_PRELOAD), appends the program's own peak
// resident memory (VmHWM of /proc/self/status, in kB) to the file that
// LH_PEAK_FILE names when the program exits. The preload leaves the
// environment at start, so the programs it starts (7-Zip, the compilers)
// are neither measured nor counted.
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

__attribute__((constructor)) void leave_environment() { unsetenv("LD_PRELOAD"); }

__attribute__((destructor)) void write_peak() {
  const char* out = std::getenv("LH_PEAK_FILE");
  if (!out) return;
  FILE* status = std::fopen("/proc/self/status", "r");
  if (!status) return;
  char line[256];
  long peak_kb = -1;
  while (std::fgets(line, sizeof line, status))
    if (std::strncmp(line, "VmHWM:", 6) == 0) peak_kb = std::strtol(line + 6, nullptr, 10);
  std::fclose(status);
  if (FILE* f = std::fopen(out, "a")) {
    std::fprintf(f, "%ld\n", peak_kb);
    std::fclose(f);
  }
}

}  // namespace
