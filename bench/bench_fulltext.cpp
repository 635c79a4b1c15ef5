// Benchmark of the full-text index on the manual of a generated library of
// 20,000 exported procedures, on a RAM file system: the manual compiled
// with and without search (best of three runs each), and the index alone.
//
//   bench_fulltext [folder]      (default /dev/shm/lh-bench-fulltext)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <unordered_map>

#include "chm/chm_compiler.h"
#include "chm/fulltext.h"
#include "gen/library_generator.h"
#include "gen/manual_pages.h"
#include "platform/file_system.h"
#include "platform/files.h"

namespace {

using Clock = std::chrono::steady_clock;

// Best of three runs: wall time, and the processor time of this process
// (steadier on a busy machine).
struct Times {
  double wall = 1e9, cpu = 1e9;
};

template <typename F>
Times best_of_three(F&& f) {
  Times best;
  for (int run = 0; run < 3; ++run) {
    auto start = Clock::now();
    std::clock_t cpu_start = std::clock();
    f();
    best.cpu = std::min(best.cpu, double(std::clock() - cpu_start) / CLOCKS_PER_SEC);
    best.wall = std::min(best.wall, std::chrono::duration<double>(Clock::now() - start).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string root = argc > 1 ? argv[1] : "/dev/shm/lh-bench-fulltext";
  const int procedures = 20000;
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root + "/work");
  const std::string source_path = root + "/Bench.pb";
  lh::platform::write_file(source_path, lh::generate_library_source(procedures, 7));
  lh::chm::ChmProject project = lh::manual_project(source_path, root + "/work/", "Bench", false);
  size_t input = 0;
  for (const auto& f : project.files) input += f.content.size();
  std::printf("manual: %d exported procedures, %zu files (%zu pages), %.1f MB\n", procedures, project.files.size(),
              project.topics.size(), input / 1e6);

  std::unordered_map<std::string_view, std::string_view> content;
  for (const auto& f : project.files) content[f.name] = f.content;
  std::vector<lh::chm::FulltextDocument> documents;
  for (uint32_t t = 0; t < project.topics.size(); ++t)
    documents.push_back({t, content[project.topics[t].file], project.topics[t].title});
  size_t index_size = 0;
  Times index = best_of_three([&] { index_size = lh::chm::build_fulltext_index(documents).size(); });
  std::printf("index alone: %.0f ms (processor %.0f ms), $FIftiMain %.1f MB\n", index.wall * 1e3, index.cpu * 1e3,
              index_size / 1e6);

  size_t plain_size = 0, search_size = 0;
  auto compiled_size = [&project] {
    std::string bytes;
    lh::chm::compile_chm(lh::platform::real_file_system(), project, bytes);
    return bytes.size();
  };
  Times plain = best_of_three([&] { plain_size = compiled_size(); });
  project.full_text_search = true;
  Times search = best_of_three([&] { search_size = compiled_size(); });
  std::printf("compile without search: %.0f ms (processor %.0f ms), %.1f MB\n", plain.wall * 1e3, plain.cpu * 1e3,
              plain_size / 1e6);
  std::printf("compile with search:    %.0f ms (processor %.0f ms), %.1f MB\n", search.wall * 1e3, search.cpu * 1e3,
              search_size / 1e6);
  std::printf("ratio: %.2f, processor time %.2f (target at most 1.5)\n", search.wall / plain.wall,
              search.cpu / plain.cpu);
  if (!std::getenv("LH_BENCH_KEEP")) std::filesystem::remove_all(root);
  return 0;
}
