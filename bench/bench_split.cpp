// Benchmark of the source split on generated libraries of 20,000 and 10,000
// exported procedures, on a RAM file system so that the disk does not drown
// the figures. The floor is the cost of creating the same piece files with
// the same bytes directly, one file at a time: the split cannot be cheaper.
//
//   bench_split [folder]      (default /dev/shm/lh-bench-split)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "gen/library_generator.h"
#include "platform/files.h"
#include "source/splitter.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string fresh_folder(const std::string& root, const std::string& name) {
  std::filesystem::remove_all(root + name);
  std::filesystem::create_directories(root + name);
  return root + name + "/";
}

struct Figures {
  int procedures = 0;
  size_t lines = 0;
  size_t files = 0;
  size_t bytes = 0;
  double split = 0;  // best of the runs
  double floor = 0;
};

Figures measure(const std::string& root, int procedures, int runs) {
  Figures f;
  f.procedures = procedures;
  std::string text = lh::generate_library_source(procedures, 2024);
  std::string source = root + "Library.pb";
  lh::platform::write_file(source, text);

  // The pieces of one split, to be written again as the floor.
  std::vector<std::pair<std::string, std::string>> pieces;
  {
    std::string work = fresh_folder(root, "probe");
    lh::ManualModel model;
    lh::split_source(lh::platform::real_file_system(), source, work, "Library", {}, model);
    f.lines = model.lines.lines.size();
    for (const auto& e : lh::platform::list_folder(work)) {
      std::string data;
      lh::platform::read_file(work + e.name, data);
      f.bytes += data.size();
      pieces.emplace_back(e.name, std::move(data));
    }
    f.files = pieces.size();
    std::filesystem::remove_all(root + "probe");
  }

  // Split and floor take turns, each into a folder of its own that no
  // earlier run used, so neither pays for the other's clean-up. Both folders
  // go after the run (untimed), so that later runs do not work beside
  // hundreds of thousands of files left by earlier ones.
  f.split = f.floor = 1e9;
  for (int r = 0; r < runs; ++r) {
    std::string work = fresh_folder(root, "work" + std::to_string(r));
    lh::ManualModel model;
    auto start = Clock::now();
    lh::split_source(lh::platform::real_file_system(), source, work, "Library", {}, model);
    f.split = std::min(f.split, seconds_since(start));

    std::string floor = fresh_folder(root, "floor" + std::to_string(r));
    start = Clock::now();
    for (const auto& [name, data] : pieces) lh::platform::write_file(floor + name, data);
    f.floor = std::min(f.floor, seconds_since(start));
    std::filesystem::remove_all(root + "work" + std::to_string(r));
    std::filesystem::remove_all(root + "floor" + std::to_string(r));
  }
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  std::string root = argc > 1 ? argv[1] : "/dev/shm/lh-bench-split";
  if (root.back() != '/') root += '/';
  std::filesystem::create_directories(root);
  const int runs = 5;

  Figures big = measure(root, 20000, runs);
  Figures half = measure(root, 10000, runs);
  std::filesystem::remove_all(root);

  for (const Figures* f : {&half, &big}) {
    std::printf(
        "%6d procedures, %7zu lines: %6zu piece files (%zu bytes); split %.3f s, floor %.3f s, "
        "split/floor %.2f\n",
        f->procedures, f->lines, f->files, f->bytes, f->split, f->floor, f->split / f->floor);
  }
  double growth = big.split / half.split;
  std::printf("split at 20,000 / split at 10,000: %.2f\n", growth);
  bool ok = big.split <= 2.0 * big.floor && growth <= 2.2;
  std::printf("%s (targets: split/floor <= 2.0 at 20,000; growth <= 2.2)\n", ok ? "within targets" : "OUTSIDE TARGETS");
  return ok ? 0 : 1;
}
