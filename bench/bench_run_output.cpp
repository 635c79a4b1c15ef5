// Reading a child's output through the run facility: lines per second for a
// child that prints a million short lines (seq), read the way the build's
// readers do (program_running / available_output / read_output_line).
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/run_program.h"

int main(int argc, char** argv) {
  const std::string count = argc > 1 ? argv[1] : "1000000";
  const auto start = std::chrono::steady_clock::now();
  lh::ProgramHandle handle = lh::run_capture("/usr/bin/seq", "1 " + count, "");
  lh::Program* p = handle.get();
  if (!p) {
    std::fprintf(stderr, "seq could not be started\n");
    return 1;
  }
  std::size_t lines = 0;
  std::size_t bytes = 0;
  while (lh::program_running(p)) {
    if (lh::available_output(p) != 0) {
      bytes += lh::read_output_line(p).size() + 1;
      ++lines;
    }
  }
  handle.reset();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%zu lines, %zu bytes in %.3f s: %.0f lines/s\n", lines, bytes, seconds, lines / seconds);
  return 0;
}
