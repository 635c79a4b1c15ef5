// Writes one generated library source to a file, for scripted runs of the
// whole program on libraries of any size:
//   write_library_source [--full-pages] COMMANDS SEED OUT
// The same COMMANDS and SEED give the same bytes on every platform. With
// --full-pages each command's page carries as much text as a real manual's
// (generate_documented_library_source).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gen/library_generator.h"

int main(int argc, char** argv) {
  const bool full_pages = argc > 1 && std::string(argv[1]) == "--full-pages";
  if (full_pages) {
    --argc;
    ++argv;
  }
  if (argc != 4) {
    std::fprintf(stderr, "usage: write_library_source [--full-pages] COMMANDS SEED OUT\n");
    return 2;
  }
  char* end = nullptr;
  long commands = std::strtol(argv[1], &end, 10);
  if (*end || commands < 0) {
    std::fprintf(stderr, "write_library_source: COMMANDS must be a number of 0 or more: %s\n", argv[1]);
    return 2;
  }
  unsigned long seed = std::strtoul(argv[2], &end, 10);
  if (*end) {
    std::fprintf(stderr, "write_library_source: SEED must be a number: %s\n", argv[2]);
    return 2;
  }
  const std::string text =
      full_pages ? lh::generate_documented_library_source(static_cast<int>(commands), static_cast<uint32_t>(seed))
                 : lh::generate_library_source(static_cast<int>(commands), static_cast<uint32_t>(seed));
  FILE* f = std::fopen(argv[3], "wb");
  bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (f && std::fclose(f) != 0) ok = false;
  if (!ok) {
    std::fprintf(stderr, "write_library_source: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
