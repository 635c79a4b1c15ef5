// Filling the installer executable with the portable resource writer: the
// six package resources added one update cycle each, as packaging does, for
// a manual of the given size in megabytes (the largest resource by far).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "pe/pe_resources.h"
#include "platform/files.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_package_resources INSTALLER_EXE [MANUAL_MB]\n");
    return 2;
  }
  std::string image;
  if (!lh::platform::read_file(argv[1], image)) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  const size_t mb = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 20;
  const std::string manual(mb << 20, 'm');
  const std::string source(200 << 10, 's');
  const auto start = std::chrono::steady_clock::now();
  bool ok = lh::pe::add_rcdata(image, "NAME", "Strings\r\n1.2\r\n", false) &&
            lh::pe::add_rcdata(image, "SOURCE", source, false) &&
            lh::pe::add_rcdata(image, "LIBRARY", std::string(300 << 10, 'l'), false) &&
            lh::pe::add_rcdata(image, "CHM", manual, false) &&
            lh::pe::add_rcdata(image, "SOURCE-TWEAKED", source, false) &&
            lh::pe::add_rcdata(image, "RESIDENT", std::string(4 << 10, 'r'), false);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%s: six resources, %zu MB manual, image %zu bytes in %.3f s (%.0f MB/s)\n", ok ? "ok" : "failed", mb,
              image.size(), seconds, image.size() / seconds / 1e6);
  return ok ? 0 : 1;
}
