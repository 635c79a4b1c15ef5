// Times the tweaked-source passes and the writing of the tweaked source on a
// generated library of 20,000 exported procedures (or the count given as the
// first argument).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "gen/library_generator.h"
#include "platform/files.h"
#include "purebasic/tools.h"
#include "source/line_reader.h"
#include "source/splitter.h"
#include "source/tweak.h"

using Clock = std::chrono::steady_clock;  // wall time; CPU time printed too

static double ms_since(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

int main(int argc, char** argv) {
  int procedures = argc > 1 ? std::atoi(argv[1]) : 20000;
  const std::string sep(1, lh::platform::separator());
  std::string work = lh::temp_folder() + "lh_bench_passes" + sep;
  lh::platform::create_folder(work);
  for (const auto& e : lh::platform::list_folder(work))
    if (!e.is_folder) lh::platform::delete_file(work + e.name);
  std::string source_path = work + "Bench.pb";
  lh::platform::write_file(source_path, lh::generate_library_source(procedures, 1));

  lh::ManualModel model;
  if (argc > 2 && std::string(argv[2]) == "--no-split") {
    // The table the splitter builds for this source, without its files:
    // handy under a profiler.
    model.lines.lines = lh::split_lines(lh::generate_library_source(procedures, 1));
    for (const std::string& line : model.lines.lines) {
      lh::ExportHeader h;
      if (!lh::parse_export_header(line, &h)) continue;
      lh::append_record(model.table, model.cursor,
                        {lh::EntryKind::kExportedProcedure, h.return_suffix, h.name, h.parameters, h.description});
      ++model.exported_count;
    }
  } else {
    lh::split_source(lh::platform::real_file_system(), source_path, work, "Bench", {}, model);
  }
  size_t lines_before = model.lines.lines.size();

  // The three passes one by one, each indexing the source afresh, on a copy.
  lh::SourceLines separate = model.lines;
  auto s0 = Clock::now();
  lh::add_internal_copies(separate, model.table);
  double copies = ms_since(s0);
  auto s1 = Clock::now();
  lh::expand_optional_parameters(separate, model.table);
  double expansion = ms_since(s1);
  auto s2 = Clock::now();
  lh::redirect_string_calls(separate, model.table);
  double redirect = ms_since(s2);

  // What the build runs: the three passes over one index, then the file.
  std::clock_t c0 = std::clock();
  auto t0 = Clock::now();
  lh::tweak_source(model.lines, model.table);
  double passes = ms_since(t0);
  auto t3 = Clock::now();
  std::string text;
  size_t bytes = 0;
  for (const std::string& line : model.lines.lines) bytes += line.size() + 2;
  text.reserve(bytes);
  for (const std::string& line : model.lines.lines) {
    text += line;
    text += "\r\n";
  }
  lh::platform::write_file(work + "Bench.pb.tweaked", text);
  double write = ms_since(t3);
  double total = ms_since(t0);
  double cpu = 1000.0 * double(std::clock() - c0) / CLOCKS_PER_SEC;
  if (separate.lines != model.lines.lines) std::printf("MISMATCH between separate and combined passes\n");

  std::printf("procedures %d, source lines %zu, tweaked lines %zu\n", model.exported_count, lines_before,
              model.lines.lines.size());
  std::printf(
      "separately: add_internal_copies %.1f ms, expand_optional_parameters %.1f ms, "
      "redirect_string_calls %.1f ms\n",
      copies, expansion, redirect);
  std::printf("tweak_source (three passes) %8.1f ms\n", passes);
  std::printf("write tweaked source        %8.1f ms\n", write);
  std::printf("total                       %8.1f ms wall, %.1f ms processor (budget 500 ms)\n", total, cpu);
  return total < 500.0 ? 0 : 1;
}
