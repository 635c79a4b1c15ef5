// A fresh work folder per test, and small helpers to fill and read it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "source/line_reader.h"
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

}  // namespace lh::test
