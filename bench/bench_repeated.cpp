// Sources whose entries share names: every step of a build (split, warnings,
// pages with their colouring, help project, tweaked-source passes) timed on
// N procedures that all bear one name, for growing N, so that work which
// grows faster than the source shows as a rising time per procedure.
//
// Shapes:
//   same     every procedure named A, string-returning with a string
//            parameter, optional parameters, documentation, an example
//   case     the same, the name spelled A and a in turn (one file where
//            names fold case)
//   lookup   N differently named procedures, then two named A, then N
//            description lines naming A (each looks the name up)
//
//   bench_repeated [folder] [largest N]   (defaults /dev/shm/lh-bench-repeated, 20000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "help/colouring.h"
#include "help/function_pages.h"
#include "help/help_project.h"
#include "platform/files.h"
#include "source/contents_register.h"
#include "source/splitter.h"
#include "source/tweak.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string procedure(const std::string& name, int i) {
  std::string n = std::to_string(i);
  return ";{//Page " + name + "\r\n;// page text " + n + "\r\n" + "ProcedureDLL.s " + name +
         "(text.s, count.l = 1) ; command " + n + "\r\n" + "  ;// returns the text repeated\r\n" +
         "  Protected result.s, k.l\r\n" + "  For k = 1 To count : result + text : Next\r\n" +
         "  ProcedureReturn result ; <> done\r\n" + ";{/* Example " + n + "\r\n; Debug " + name +
         "(\"x\", 2)\r\n;}\r\n" + "EndProcedure\r\n";
}

std::string source_of(const std::string& shape, int count) {
  std::string text = ";->Index Repeated names\r\n";
  if (shape == "lookup") {
    for (int i = 0; i < count; ++i) text += procedure("P" + std::to_string(i), i);
    text += procedure("A", 0) + procedure("A", 1);
    for (int i = 0; i < count; ++i) text += ";->A described " + std::to_string(i) + "\r\n";
    return text;
  }
  for (int i = 0; i < count; ++i) text += procedure(shape == "case" && i % 2 ? "a" : "A", i);
  return text;
}

void run(const std::string& root, const std::string& shape, int count) {
  std::filesystem::remove_all(root);
  const std::string work = root + "/work/";
  std::filesystem::create_directories(work);
  const std::string source_path = root + "/Bench.pb";
  const std::string source = source_of(shape, count);
  lh::platform::write_file(source_path, source);

  double t[5];
  lh::platform::FileSystem& fs = lh::platform::real_file_system();
  lh::ManualModel model;
  auto start = Clock::now();
  lh::split_source(fs, source_path, work, "Bench", {}, model);
  t[0] = seconds_since(start);
  lh::append_record(model.table, model.cursor, lh::ProcedureRecord{lh::EntryKind::kPage, "", "Compilation", "", ""});
  lh::register_contents_entry(model.contents, "", "Compilation");
  lh::write_contents_register(fs, work, model.contents);

  start = Clock::now();
  lh::prepare_warnings(fs, work, model.table, model.entries);
  t[1] = seconds_since(start);
  start = Clock::now();
  lh::write_function_pages(fs, work, model.table, model.entries, model.contents, lh::linked_highlighter());
  t[2] = seconds_since(start);
  start = Clock::now();
  lh::write_help_project(fs, work, "Bench", model.table, model.contents);
  t[3] = seconds_since(start);
  start = Clock::now();
  lh::tweak_source(model.lines, model.table);
  t[4] = seconds_since(start);

  double total = t[0] + t[1] + t[2] + t[3] + t[4];
  std::printf(
      "%-6s %6d  %5.1f MB  split %7.3f  warnings %7.3f  pages %7.3f  project %7.3f  tweak %7.3f  "
      "total %7.3f s  (%.1f us per procedure)\n",
      shape.c_str(), count, source.size() / 1e6, t[0], t[1], t[2], t[3], t[4], total, total / count * 1e6);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string root = argc > 1 ? argv[1] : "/dev/shm/lh-bench-repeated";
  const int largest = argc > 2 ? std::atoi(argv[2]) : 20000;
  for (const char* shape : {"same", "case", "lookup"})
    for (int count = 1000; count <= largest; count *= 2) run(root, shape, count);
  if (largest >= 20000)
    for (const char* shape : {"same", "case", "lookup"}) run(root, shape, 20000);
  if (!std::getenv("LH_BENCH_KEEP")) std::filesystem::remove_all(root);
  return 0;
}
