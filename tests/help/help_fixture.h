// A fresh work folder per test, and small helpers to fill and read it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "help/colouring.h"
#include "help/function_pages.h"
#include "help/help_project.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "source/contents_register.h"
#include "source/line_reader.h"
#include "source/manual_model.h"
#include "source/procedure_table.h"

namespace lh::test {

class WorkFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = ::testing::TempDir() + "lh_help_" + info->test_suite_name() + "_" + info->name();
    folder_ += platform::separator();
    remove_all();
    platform::create_folder(folder_);
  }
  void TearDown() override {
    if (!HasFailure()) remove_all();
  }
  void remove_all() {
    for (const auto& e : platform::list_folder(folder_)) platform::delete_file(folder_ + e.name);
    platform::remove_folder(folder_);
  }

  void put(const std::string& name, const std::string& content) {
    ASSERT_TRUE(platform::write_file(folder_ + name, content)) << name;
  }
  std::string get(const std::string& name) {
    std::string s;
    EXPECT_TRUE(platform::read_file(folder_ + name, s)) << name << " missing";
    return s;
  }
  std::vector<std::string> lines(const std::string& name) { return split_lines(get(name)); }
  bool has(const std::string& name) { return platform::exists(folder_ + name); }

  std::string folder_;
};

inline ProcedureRecord record(EntryKind kind, std::string name, std::string suffix = "", std::string parameters = "",
                              std::string description = "") {
  return ProcedureRecord{kind, std::move(suffix), std::move(name), std::move(parameters), std::move(description)};
}

// Every line of `text` ends in CR LF, and no CR or LF stands alone.
inline bool all_crlf(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) return false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return text.empty() || text.back() == '\n';
}

// What the build writes into `work` after the split, as steps 11 to 13 do:
// the "Compilation" page and its contents entry, the contents register, the
// warnings, the pages (coloured by the linked-in tokenizer) and the help
// project of `library`.
inline void write_manual_pages(platform::FileSystem& fs, const std::string& work, const std::string& library,
                               ManualModel& model) {
  append_record(model.table, model.cursor, ProcedureRecord{EntryKind::kPage, "", "Compilation", "", ""});
  register_contents_entry(model.contents, "", "Compilation");
  write_contents_register(fs, work, model.contents);
  prepare_warnings(fs, work, model.table, model.entries);
  write_function_pages(fs, work, model.table, model.entries, model.contents, linked_highlighter());
  write_help_project(fs, work, library, model.table, model.contents);
}

}  // namespace lh::test
