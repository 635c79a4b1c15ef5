// Benchmark of the built-in CHM compiler on the manuals of generated
// libraries of 10,000 and 20,000 commands, on a RAM file system: the
// compile time (files already in memory, as the build hands them over),
// the growth from 10,000 to 20,000, the peak memory above the input, and
// chmcmd's time and size on the same pages (its project with full-text
// search off, as chmcmd's indexer fails on these pages).
//
//   bench_chm [folder] [--no-chmcmd]   (default /dev/shm/lh-bench-chm)
//
// Each compile runs in a child process of its own (this program again,
// with --compile), so that its peak memory is its own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "chm/chm_compiler.h"
#include "gen/library_generator.h"
#include "gen/manual_pages.h"
#include "platform/file_system.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// CPU time of this process (user and system): on a shared machine it
// varies less than the wall clock.
double cpu_seconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// kB from /proc/self/status ("VmRSS", "VmHWM").
long status_kb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key) + 1);
  return 0;
}

bool is_manual_file(const fs::path& p) {
  const std::string ext = p.extension().string();
  return ext == ".html" || ext == ".hhc" || ext == ".hhk" || ext == ".gif";
}

// The manual's work folder: the library's pages, image and sitemaps.
void make_work_folder(const std::string& root, int commands) {
  fs::remove_all(root);
  fs::create_directories(root);
  const std::string work = root + "/";
  const std::string source_path = root + "/Bench.pb";
  lh::platform::write_file(source_path, lh::generate_library_source(commands, 7));
  lh::write_manual_folder(source_path, work, "Bench");
}

// Child: reads the manual's files, compiles, writes the CHM; prints
// "seconds cpu_seconds files input_bytes chm_bytes rss_before_input_kb peak_kb".
int compile_child(const std::string& work, const std::string& chm) {
  const long baseline_kb = status_kb("VmRSS");
  std::vector<fs::path> paths;
  for (const auto& e : fs::directory_iterator(work))
    if (e.is_regular_file() && is_manual_file(e.path())) paths.push_back(e.path());
  std::sort(paths.begin(), paths.end());
  lh::chm::ChmProject project;
  project.title = "Bench Library";
  project.compiled_file = "Bench.chm";
  project.contents_file = "Bench.hhc";
  project.index_file = "Bench.hhk";
  project.default_topic = "Index.html";
  size_t input = 0;
  for (const fs::path& p : paths) {
    lh::chm::ChmSourceFile f{p.filename().string(), {}};
    lh::platform::read_file(p.string(), f.content);
    input += f.content.size();
    if (p.extension() == ".html") project.topics.push_back({f.name, p.stem().string()});
    project.files.push_back(std::move(f));
  }
  const auto start = Clock::now();
  const double cpu_start = cpu_seconds();
  std::string bytes;
  lh::chm::compile_chm(lh::platform::real_file_system(), project, bytes);
  lh::platform::write_file(chm, bytes);
  const double seconds = seconds_since(start);
  const double cpu = cpu_seconds() - cpu_start;
  std::printf("%.3f %.3f %zu %zu %zu %ld %ld\n", seconds, cpu, paths.size(), input, bytes.size(), baseline_kb,
              status_kb("VmHWM"));
  return 0;
}

std::string run_capture(const std::string& cmd) {
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[512];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  return out;
}

struct Figures {
  double seconds = 0, cpu = 0;
  size_t files = 0, input = 0, chm = 0;
  long baseline_kb = 0, peak_kb = 0;
};

Figures compile_in_child(const std::string& work, const std::string& chm) {
  Figures best;
  for (int run = 0; run < 3; ++run) {
    Figures f;
    const std::string out =
        run_capture("/proc/" + std::to_string(getpid()) + "/exe --compile '" + work + "' '" + chm + "'");
    std::sscanf(out.c_str(), "%lf %lf %zu %zu %zu %ld %ld", &f.seconds, &f.cpu, &f.files, &f.input, &f.chm,
                &f.baseline_kb, &f.peak_kb);
    if (run == 0 || f.seconds < best.seconds) best = f;
  }
  return best;
}

// chmcmd on the same pages, with full-text search off; seconds and size.
std::pair<double, size_t> chmcmd(const std::string& work) {
  std::string hhp;
  lh::platform::read_file(work + "/Bench.hhp", hhp);
  const std::string on = "Full-text search=Yes";
  if (const size_t at = hhp.find(on); at != std::string::npos) hhp.replace(at, on.size(), "Full-text search=No");
  lh::platform::write_file(work + "/Bench-nosearch.hhp", hhp);
  fs::remove(work + "/Bench.chm");
  const auto start = Clock::now();
  const int rc = std::system(("cd '" + work + "' && chmcmd Bench-nosearch.hhp >/dev/null 2>&1").c_str());
  const double seconds = seconds_since(start);
  std::error_code ec;
  const auto size = fs::file_size(work + "/Bench.chm", ec);
  if (rc != 0 || ec) std::printf("  (chmcmd exit %d%s)\n", rc, ec ? ", no CHM" : "");
  return {seconds, ec ? 0 : static_cast<size_t>(size)};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--compile") return compile_child(argv[2], argv[3]);
  std::string root = "/dev/shm/lh-bench-chm";
  bool with_chmcmd = true;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--no-chmcmd")
      with_chmcmd = false;
    else
      root = argv[i];
  }
  std::printf("%8s %7s %9s | %8s %8s %9s %9s %9s | %9s %9s %6s\n", "commands", "files", "input MB", "ours s",
              "ours cpu", "ours MB", "peak+ MB", "limit MB", "chmcmd s", "chmcmd MB", "ratio");
  double seconds_10k = 0, cpu_10k = 0;
  for (const int commands : {10000, 20000}) {
    const std::string work = root + "/" + std::to_string(commands);
    make_work_folder(work, commands);
    const Figures f = compile_in_child(work, root + "/ours-" + std::to_string(commands) + ".chm");
    // Memory above what the process held before it read the input.
    const double above_mb = (f.peak_kb - f.baseline_kb) / 1024.0;
    const double limit_mb = f.input / 1048576.0 + 64;
    std::pair<double, size_t> theirs{0, 0};
    if (with_chmcmd) theirs = chmcmd(work);
    std::printf("%8d %7zu %9.1f | %8.2f %8.2f %9.2f %9.1f %9.1f | %9.1f %9.2f %6.2f\n", commands, f.files,
                f.input / 1e6, f.seconds, f.cpu, f.chm / 1e6, above_mb, limit_mb, theirs.first, theirs.second / 1e6,
                theirs.second ? static_cast<double>(f.chm) / theirs.second : 0.0);
    if (commands == 10000) {
      seconds_10k = f.seconds;
      cpu_10k = f.cpu;
    } else {
      std::printf(
          "growth 10,000 -> 20,000: %.2f wall, %.2f CPU (target at most 2.2); 20,000 in %.2f s (target at most 3)\n",
          f.seconds / seconds_10k, f.cpu / cpu_10k, f.seconds);
    }
    if (!std::getenv("LH_BENCH_KEEP")) fs::remove_all(work);
  }
  std::printf("size target: ours at most 1.25 times chmcmd's\n");
  if (!std::getenv("LH_BENCH_KEEP")) fs::remove_all(root);
  return 0;
}
