// Benchmark of help generation on a generated library of 20,000 exported
// procedures, on a RAM file system so that the disk does not drown the
// figures:
//   - the tokenizer alone (SyntaxHighlight with a token function that only
//     counts), and colouring in memory (tags written);
//   - the warning step, all pages with their colouring, and the project
//     files, against a floor: creating the same files with the same bytes
//     directly, one file at a time. The pages take the piece files from the
//     split, as the build does; what reading them back would cost is shown
//     beside.
//
//   bench_help [folder]      (default /dev/shm/lh-bench-help)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "gen/library_generator.h"
#include "help/colouring.h"
#include "help/function_pages.h"
#include "help/help_project.h"
#include "platform/files.h"
#include "source/contents_register.h"
#include "source/splitter.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

size_t g_tokens = 0;
int32_t LH_CDECL count_token(const char*, int32_t, int32_t) {
  ++g_tokens;
  return 0;
}

void tokenizer_figures(const std::string& source) {
  const double mb = source.size() / 1e6;
  double best = 1e9;
  for (int run = 0; run < 5; ++run) {
    g_tokens = 0;
    auto start = Clock::now();
    SyntaxHighlight(source.data(), static_cast<int32_t>(source.size()), count_token, 0);
    best = std::min(best, seconds_since(start));
  }
  std::printf("tokenizer: %.1f MB, %zu tokens, %.1f ms, %.0f MB/s\n", mb, g_tokens, best * 1e3, mb / best);
  std::string out;
  best = 1e9;
  for (int run = 0; run < 5; ++run) {
    auto start = Clock::now();
    lh::colour_text(lh::linked_highlighter(), source, out);
    best = std::min(best, seconds_since(start));
  }
  std::printf("colouring in memory: %.1f MB in, %.1f MB out, %.1f ms, %.0f MB/s\n", mb, out.size() / 1e6, best * 1e3,
              mb / best);
}

std::map<std::string, std::string> snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : lh::platform::list_folder(folder)) {
    if (e.is_folder) continue;
    lh::platform::read_file(folder + e.name, files[e.name]);
  }
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string root = argc > 1 ? argv[1] : "/dev/shm/lh-bench-help";
  const int procedures = 20000;
  const std::string source = lh::generate_library_source(procedures, 7);
  std::printf("library: %d exported procedures, %.1f MB of source\n", procedures, source.size() / 1e6);
  tokenizer_figures(source);

  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root);
  const std::string work = root + "/work/";
  const std::string source_path = root + "/Bench.pb";
  lh::platform::write_file(source_path, source);

  double best_help = 1e9, best_floor = 1e9;
  double best_parts[3] = {0, 0, 0};
  double best_reads = 1e9;
  size_t reads_count = 0;
  size_t written_files = 0, written_bytes = 0;
  for (int run = 0; run < 3; ++run) {
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);
    lh::platform::FileSystem& fs = lh::platform::real_file_system();
    lh::ManualModel model;
    lh::split_source(fs, source_path, work, "Bench", {}, model);
    lh::append_record(model.table, model.cursor, lh::ProcedureRecord{lh::EntryKind::kPage, "", "Compilation", "", ""});
    lh::register_contents_entry(model.contents, "", "Compilation");
    lh::write_contents_register(fs, work, model.contents);
    const auto before = snapshot(work);

    // The library is loaded once per build, as the pipeline does.
    lh::Highlighter highlighter = lh::linked_highlighter();
    auto start = Clock::now();
    lh::prepare_warnings(fs, work, model.table, model.entries);
    const double warnings = seconds_since(start);
    lh::write_function_pages(fs, work, model.table, model.entries, model.contents, highlighter);
    const double pages = seconds_since(start) - warnings;
    lh::write_help_project(fs, work, "Bench", model.table, model.contents);
    const double total = seconds_since(start);
    if (total < best_help) {
      best_help = total;
      best_parts[0] = warnings;
      best_parts[1] = pages;
      best_parts[2] = total - warnings - pages;
    }

    // The floor: the files that help generation wrote, with their bytes,
    // created one after the other.
    auto after = snapshot(work);
    std::map<std::string, std::string> written;
    for (auto& [name, bytes] : after)
      if (!before.count(name)) written.emplace(name, std::move(bytes));
    for (const auto& [name, bytes] : written) lh::platform::delete_file(work + name);
    written_files = written.size();
    written_bytes = 0;
    start = Clock::now();
    for (const auto& [name, bytes] : written) {
      lh::platform::write_file(work + name, bytes);
      written_bytes += bytes.size();
    }
    best_floor = std::min(best_floor, seconds_since(start));

    // What reading back the piece files the pages use would cost.
    start = Clock::now();
    std::string bytes;
    size_t read_files = 0;
    for (const auto& [name, content] : before) {
      size_t dot = name.rfind('.');
      std::string ext = dot == std::string::npos ? "" : name.substr(dot);
      if (ext == ".txt" || ext == ".cod" || ext == ".ex" || ext == ".exd") {
        lh::platform::read_file(work + name, bytes);
        ++read_files;
      }
    }
    best_reads = std::min(best_reads, seconds_since(start));
    reads_count = read_files;
  }
  std::printf("help files: %zu files, %.1f MB\n", written_files, written_bytes / 1e6);
  std::printf("warnings + pages + colouring + project: %.1f ms\n", best_help * 1e3);
  std::printf("  of which warnings %.1f ms, pages %.1f ms, project %.1f ms\n", best_parts[0] * 1e3, best_parts[1] * 1e3,
              best_parts[2] * 1e3);
  std::printf("floor (creating the same files): %.1f ms\n", best_floor * 1e3);
  std::printf("reading back the %zu piece files that the pages use (not done): %.1f ms\n", reads_count,
              best_reads * 1e3);
  std::printf("ratio: %.2f (target at most 2)\n", best_help / best_floor);
  if (!std::getenv("LH_BENCH_KEEP")) std::filesystem::remove_all(root);
  return 0;
}
