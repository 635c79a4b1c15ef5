// A real manual: the example library is split, its pages and project are
// written, the help compiler compiles them (the built-in one; under Wine the
// hhc.exe stand-in on the search path), and extract_chmLib reads the manual
// back: every page is in it, and its contents tree is the register's.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "e2e_paths.h"
#include "help/function_pages.h"
#include "help/help_compiler.h"
#include "help/help_project.h"
#include "platform/files.h"
#include "platform/run_program.h"
#include "source/contents_register.h"
#include "source/line_reader.h"
#include "source/splitter.h"

namespace lh {
namespace {

const char kSep = platform::separator();

void empty_folder(const std::string& folder) {
  for (const auto& e : platform::list_folder(folder)) {
    if (e.is_folder) {
      empty_folder(folder + e.name + kSep);
      platform::remove_folder(folder + e.name);
    } else {
      platform::delete_file(folder + e.name);
    }
  }
  platform::create_folder(folder);
}

// Runs extract_chmLib (a Linux program, also from under Wine) on the manual.
void extract(const std::string& unix_manual, const std::string& unix_out) {
#ifdef _WIN32
  // A Windows program under Wine cannot wait for a Unix one: the shell
  // leaves a mark when extract_chmLib has ended.
  const std::string mark = test::native(unix_out + ".done");
  platform::delete_file(mark);
  run_program(
      "Z:\\bin\\sh",
      "-c \"extract_chmLib '" + unix_manual + "' '" + unix_out + "' >/dev/null 2>&1; touch '" + unix_out + ".done'\"",
      "", RunOption::kHide);
  for (int waited = 0; !platform::exists(mark) && waited < 60000; waited += 20)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(platform::exists(mark)) << "extract_chmLib did not end";
#else
  std::string command = "extract_chmLib '" + unix_manual + "' '" + unix_out + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
#endif
}

// The Name values of a sitemap file, in order.
std::vector<std::string> sitemap_names(const std::string& text) {
  std::vector<std::string> names;
  const std::string start = "<PARAM NAME=\"Name\" VALUE=\"";
  for (const std::string& line : split_lines(text))
    if (line.rfind(start, 0) == 0) names.push_back(line.substr(start.size(), line.size() - start.size() - 2));
  return names;
}

// A work folder of its own for each test.
struct Manual {
  explicit Manual(const std::string& name)
      : unix_work(std::string(LH_E2E_WORK) + "-" + name + "/"), work(test::native(unix_work)) {}
  std::string unix_work;
  std::string work;
};

// The example library's pages and help project in the work folder, as the
// build writes them (with the include folder's files and the "Compilation"
// page); `model` is what the split made of it.
void write_example_project(const Manual& m, ManualModel& model) {
  empty_folder(m.work);
  const std::string example = test::native(LH_EXAMPLES_DIR "/StringTools/");
  WorkFiles brought;
  for (const auto& e : platform::list_folder(example + "include" + kSep)) {
    if (e.is_folder) continue;
    WorkFile file{e.name, {}};
    ASSERT_TRUE(platform::read_file(example + "include" + kSep + e.name, file.content));
    platform::copy_file(example + "include" + kSep + e.name, m.work + e.name);
    brought.push_back(std::move(file));
  }

  platform::FileSystem& fs = platform::real_file_system();
  split_source(fs, example + "StringTools.pb", m.work, "StringTools", brought, model);
  ASSERT_GT(model.exported_count, 5);
  const std::string notes = ";//Library " + model.library_version + "\r\n";
  ASSERT_TRUE(fs.append_file(m.work + "Compilation.txt", notes));
  entry_of(model.entries, "Compilation").text = notes;
  append_record(model.table, model.cursor, ProcedureRecord{EntryKind::kPage, "", "Compilation", "", ""});
  register_contents_entry(model.contents, "", "Compilation");
  ASSERT_TRUE(write_contents_register(fs, m.work, model.contents));

  Highlighter highlighter = load_highlighter(test::native(LH_HIGHLIGHTER_FILE));
  ASSERT_TRUE(highlighter.loaded);
  prepare_warnings(fs, m.work, model.table, model.entries);
  write_function_pages(fs, m.work, model.table, model.entries, model.contents, highlighter);
  unload_highlighter(highlighter);
  write_help_project(fs, m.work, "StringTools", model.table, model.contents);
}

// The contents register's keys in the order of the contents tree: the top
// level, then each group followed by its keys.
std::vector<std::string> contents_tree(const ContentsRegister& contents) {
  std::vector<std::string> tree;
  for (const std::string& key : contents_top_level_keys(contents)) tree.push_back(key);
  for (const std::string& group : contents_groups(contents)) {
    tree.push_back(group);
    for (const std::string& key : contents_group_keys(contents, group)) tree.push_back(key);
  }
  return tree;
}

TEST(Manual, ExampleLibraryCompilesWithEveryPageAndItsContentsTree) {
  Manual m("example");
  ManualModel model;
  ASSERT_NO_FATAL_FAILURE(write_example_project(m, model));

  platform::FileSystem& fs = platform::real_file_system();
  RealToolRunner tools;
  ManualRun run;
  ASSERT_TRUE(compile_manual(fs, tools, m.work, "StringTools", tools.help_compiler(), false, run)) << run.summary;
  ASSERT_TRUE(is_compiled_manual(fs, m.work + "StringTools.chm")) << run.summary;
#ifdef _WIN32
  EXPECT_EQ(run.summary, "hhc.exe");
#else
  EXPECT_EQ(run.summary, "the built-in compiler, with full-text search");
#endif
  EXPECT_EQ(run.note, "");

  extract(m.unix_work + "StringTools.chm", m.unix_work + "out");
  const std::string out = m.work + "out" + kSep;
  for (const ProcedureRecord& r : model.table.records) {
    std::string inside, written;
    ASSERT_TRUE(platform::read_file(out + r.name + ".html", inside)) << r.name << " missing from the manual";
    ASSERT_TRUE(platform::read_file(m.work + r.name + ".html", written));
    EXPECT_EQ(inside, written) << r.name;
  }
  std::string contents;
  ASSERT_TRUE(platform::read_file(out + "StringTools.hhc", contents));
  std::vector<std::string> tree = contents_tree(read_contents_register(platform::real_file_system(), m.work));
  EXPECT_EQ(sitemap_names(contents), tree);
  EXPECT_GT(tree.size(), 10u);
}

// An hhc.exe that makes no manual (here: one that cannot be started) is
// stood in for by the built-in compiler without a word to the user; a
// missing default topic leaves the manual without it, named in the summary.
TEST(Manual, BuiltInCompilerStandsInWhenHhcMakesNone) {
  Manual m("solo");
  empty_folder(m.work);
  platform::FileSystem& fs = platform::real_file_system();
  ManualModel model;
  append_record(model.table, model.cursor, ProcedureRecord{EntryKind::kPage, "", "Compilation", "", ""});
  entry_of(model.entries, "Compilation").text = ";//Library 1.0\r\n";
  ASSERT_TRUE(fs.write_file(m.work + "Compilation.txt", ";//Library 1.0\r\n"));
  register_contents_entry(model.contents, "", "Compilation");
  ASSERT_TRUE(write_contents_register(fs, m.work, model.contents));
  write_function_pages(fs, m.work, model.table, model.entries, model.contents, linked_highlighter());
  write_help_project(fs, m.work, "Solo", model.table, model.contents);
  platform::write_file(m.work + "Solo.chm", "ITSF from an earlier build");

  RealToolRunner tools;
  ManualRun run;
  EXPECT_TRUE(compile_manual(fs, tools, m.work, "Solo", m.work + "no-such-hhc.exe", false, run));
  EXPECT_EQ(run.note, "");
  EXPECT_EQ(run.summary,
            "the built-in compiler (hhc.exe made no manual), with full-text search; "
            "missing: Index.html");
  EXPECT_FALSE(platform::exists(m.work + "Solo-nosearch.hhp"));
  std::string manual;
  ASSERT_TRUE(platform::read_file(m.work + "Solo.chm", manual));
  EXPECT_EQ(manual.compare(0, 4, "ITSF"), 0);
  EXPECT_EQ(manual.find("from an earlier build"), std::string::npos);
  std::string project;
  ASSERT_TRUE(platform::read_file(m.work + "Solo.hhp", project));
  EXPECT_NE(project.find("Full-text search=Yes"), std::string::npos) << "the project itself stays as written";

  // No manual at all: the user is told.
  platform::delete_file(m.work + "Solo.hhp");
  ManualRun none;
  EXPECT_FALSE(compile_manual(fs, tools, m.work, "Solo", "", false, none));
  EXPECT_NE(none.note.find("Solo.hhp"), std::string::npos) << none.note;
  EXPECT_FALSE(platform::exists(m.work + "Solo.chm"));
}

}  // namespace
}  // namespace lh
