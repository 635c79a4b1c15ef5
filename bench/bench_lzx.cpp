// Benchmark of the LZX compressor on the pages of a generated library's
// manual (all files that help generation writes, in name order, one stream
// as a compiled help file holds them): speed and size, and beside them the
// size of the CHM that chmcmd makes from the same project when asked.
//
//   bench_lzx [procedures] [--chmcmd]   (default 20000; folder /dev/shm/lh-bench-lzx)
//   LH_BENCH_DUMP=FILE writes the input stream, uncompressed, to FILE for trials.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "chm/lzx.h"
#include "gen/library_generator.h"
#include "gen/manual_pages.h"
#include "platform/files.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// What a compiled manual holds: pages, image, sitemaps; not the pieces
// the split leaves in the work folder.
bool is_manual_file(const std::string& name) {
  const auto dot = name.rfind('.');
  static const std::string kept[] = {".html", ".hhc", ".hhk", ".css", ".png", ".gif", ".jpg"};
  return dot != std::string::npos && std::find(std::begin(kept), std::end(kept), name.substr(dot)) != std::end(kept);
}

}  // namespace

int main(int argc, char** argv) {
  int procedures = 20000;
  bool chmcmd = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--chmcmd") == 0)
      chmcmd = true;
    else
      procedures = std::atoi(argv[i]);
  }
  const std::string root = "/dev/shm/lh-bench-lzx";
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root + "/work");
  const std::string work = root + "/work/";
  const std::string source_path = root + "/Bench.pb";
  lh::platform::write_file(source_path, lh::generate_library_source(procedures, 7));
  lh::write_manual_folder(source_path, work, "Bench");
  std::string all;
  size_t files = 0;
  std::vector<std::string> names;
  for (const auto& e : lh::platform::list_folder(work))
    if (!e.is_folder && is_manual_file(e.name)) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  std::string bytes;
  for (const auto& name : names) {
    lh::platform::read_file(work + name, bytes);
    all += bytes;
    ++files;
  }
  if (const char* dump = std::getenv("LH_BENCH_DUMP")) lh::platform::write_file(dump, all);
  const double mb = all.size() / 1e6;
  std::printf("manual of %d procedures: %zu files, %.1f MB\n", procedures, files, mb);

  for (unsigned reset : {2u, 8u}) {
    // Wall time, and processor time beside it: on a busy machine the
    // latter says more about the code.
    double best = 1e9, best_cpu = 1e9;
    lh::chm::LzxStream s;
    for (int run = 0; run < 3; ++run) {
      auto start = Clock::now();
      const std::clock_t cpu_start = std::clock();
      s = lh::chm::lzx_compress(all, 16, reset);
      best = std::min(best, seconds_since(start));
      best_cpu = std::min(best_cpu, double(std::clock() - cpu_start) / CLOCKS_PER_SEC);
    }
    std::printf(
        "LZX, 64 KB window, reset every %u frames: %.1f MB -> %.2f MB (%.2f%%), %.0f ms (%.1f MB/s), "
        "processor %.0f ms (%.1f MB/s)\n",
        reset, mb, s.bytes.size() / 1e6, 100.0 * s.bytes.size() / all.size(), best * 1e3, mb / best, best_cpu * 1e3,
        mb / best_cpu);
  }

  if (chmcmd) {
    // chmcmd's full-text indexer fails on pages without a TITLE, and then
    // it writes no CHM at all: the project asks it for no search.
    std::string hhp;
    for (const auto& e : lh::platform::list_folder(work))
      if (e.name.ends_with(".hhp")) hhp = e.name;
    std::string project;
    lh::platform::read_file(work + hhp, project);
    if (auto at = project.find("Full-text search=Yes"); at != std::string::npos)
      project.replace(at, 20, "Full-text search=No");
    lh::platform::write_file(work + hhp, project);
    auto start = Clock::now();
    const std::string cmd = "cd " + work + " && chmcmd " + hhp + " >/dev/null 2>&1";
    const int rc = std::system(cmd.c_str());
    const double t = seconds_since(start);
    uintmax_t size = 0;
    for (const auto& e : std::filesystem::directory_iterator(work))
      if (e.path().extension() == ".chm") size = e.file_size();
    std::printf("chmcmd: exit %d, %.1f s, CHM %.2f MB\n", rc, t, size / 1e6);
  }
  if (!std::getenv("LH_BENCH_KEEP")) std::filesystem::remove_all(root);
  return 0;
}
