#include "source/procedure_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace lh {
namespace {

std::vector<std::string> names(const ProcedureTable& t) {
  std::vector<std::string> out;
  for (const auto& r : t.records) out.push_back(r.name);
  return out;
}

TEST(ProcedureTable, InsertsAfterTheRecordALookupFound) {
  ProcedureTable t;
  TableCursor c;
  append_record(t, c, {EntryKind::kExportedProcedure, "", "A", "", ""});
  append_record(t, c, {EntryKind::kExportedProcedure, "", "B", "", ""});
  append_record(t, c, {EntryKind::kExportedProcedure, "", "C", "", ""});
  EXPECT_TRUE(find_procedure(t, c, "A"));
  append_record(t, c, {EntryKind::kTextOnly, "", "D", "", ""});
  EXPECT_FALSE(find_procedure(t, c, "a"));  // case-sensitive; cursor to last
  append_record(t, c, {EntryKind::kTextOnly, "", "E", "", ""});
  EXPECT_EQ(names(t), (std::vector<std::string>{"A", "D", "B", "C", "E"}));
}

// A lookup finds the first record of a name in table order, which for a
// shared name need not be the one made first.
TEST(ProcedureTable, SharedNamesAreFoundInTableOrder) {
  ProcedureTable t;
  TableCursor c;
  append_record(t, c, {EntryKind::kPage, "", "A", "", ""});
  append_record(t, c, {EntryKind::kPage, "", "X", "first made", ""});
  ASSERT_TRUE(find_procedure(t, c, "A"));
  append_record(t, c, {EntryKind::kExportedProcedure, "", "X", "made later, placed earlier", ""});
  ASSERT_TRUE(find_procedure(t, c, "X"));
  EXPECT_EQ(c.at->parameters, "made later, placed earlier");
  append_record(t, c, {EntryKind::kTextOnly, "", "Y", "", ""});
  EXPECT_EQ(names(t), (std::vector<std::string>{"A", "X", "Y", "X"}));
  EXPECT_FALSE(find_procedure(t, c, "x"));
  EXPECT_EQ(c.at->name, "X");  // the last record
  EXPECT_EQ(c.at->parameters, "first made");
}

TEST(ProcedureTable, RecordsAddedToTheListDirectlyAreFound) {
  ProcedureTable t;
  TableCursor c;
  append_record(t, c, {EntryKind::kPage, "", "A", "", ""});
  EXPECT_TRUE(find_procedure(t, c, "A"));
  t.records.push_front({EntryKind::kPage, "", "B", "", ""});
  t.records.push_back({EntryKind::kPage, "", "A", "later", ""});
  EXPECT_TRUE(find_procedure(t, c, "B"));
  EXPECT_EQ(c.at, t.records.cbegin());
  EXPECT_TRUE(find_procedure(t, c, "A"));
  EXPECT_EQ(c.at->parameters, "");
  for (int i = 0; i < 5000; ++i)
    append_record(t, c, {EntryKind::kExportedProcedure, "", "P" + std::to_string(i), "", ""});
  EXPECT_TRUE(find_procedure(t, c, "P4999"));
  EXPECT_EQ(std::prev(t.records.end())->name, "A");  // inserted after the first A
}

// The index against the walk from the head that it stands for, on random
// insertions and lookups of a few shared names: the lookups move the cursor
// about, and runs of insertions at one place use up the room between order
// numbers again and again.
TEST(ProcedureTable, LookupsOfSharedNamesMatchAWalkFromTheHead) {
  std::mt19937 rng(5);
  ProcedureTable t;
  TableCursor c;
  for (int step = 0; step < 12000; ++step) {
    const std::string name(1, "ABCDEFG"[rng() % 7]);
    if (rng() % 8 != 0) {
      append_record(t, c, {EntryKind::kPage, "", name, std::to_string(step), ""});
      continue;
    }
    auto first =
        std::find_if(t.records.begin(), t.records.end(), [&](const ProcedureRecord& r) { return r.name == name; });
    ASSERT_EQ(find_procedure(t, c, name), first != t.records.end());
    if (first != t.records.end()) {
      ASSERT_EQ(c.at, first) << step;
    }
  }
}

TEST(ProcedureTable, FirstInsertGoesToTheHead) {
  ProcedureTable t;
  TableCursor c;
  EXPECT_FALSE(find_procedure(t, c, "x"));
  append_record(t, c, {EntryKind::kPage, "", "P", "", ""});
  EXPECT_EQ(names(t), std::vector<std::string>{"P"});
}

TEST(SourceLines, DeletingTheFirstLineLeavesNoCurrentLine) {
  SourceLines s{{"a", "b", "c"}, 0};
  delete_current_line(s);
  EXPECT_EQ(s.current, -1);
  insert_line(s, "x");
  insert_line(s, "y");
  EXPECT_EQ(s.lines, (std::vector<std::string>{"x", "y", "b", "c"}));
  s.current = 2;
  delete_current_line(s);
  EXPECT_EQ(s.current, 1);
  insert_line(s, "z");
  EXPECT_EQ(s.lines, (std::vector<std::string>{"x", "y", "z", "c"}));
  s.current = 9;  // past the end: inserts after the last line
  insert_line(s, "end");
  EXPECT_EQ(s.lines.back(), "end");
  EXPECT_EQ(s.current, 4);
}

TEST(ParseExportHeader, TheWorkedExampleAndOddSpacing) {
  ExportHeader h;
  ASSERT_TRUE(parse_export_header("ProcedureDLL.l Sum(a.l, b.l = 1) ; Adds two numbers", &h));
  EXPECT_EQ(h.return_suffix, ".l");
  EXPECT_EQ(h.name, "Sum");
  EXPECT_EQ(h.parameters, "a.l, b.l = 1");
  EXPECT_EQ(h.description, "Adds two numbers");

  ASSERT_TRUE(parse_export_header("   procedureDLL.S  Foo(x.l)", &h));
  EXPECT_EQ(h.return_suffix, ".S");
  EXPECT_EQ(h.name, "Foo");
  EXPECT_EQ(h.parameters, "x.l");
  EXPECT_EQ(h.description, "");
  EXPECT_FALSE(is_string_procedure({EntryKind::kExportedProcedure, h.return_suffix, h.name, "", ""}));

  ASSERT_TRUE(parse_export_header("ProcedureDLL .s Foo (a) ;   Text   ", &h));
  EXPECT_EQ(h.return_suffix, ".s");
  EXPECT_EQ(h.name, "Foo ");
  EXPECT_EQ(h.description, "Text");

  ASSERT_TRUE(parse_export_header("ProcedureDLL.str Name(a = Chr(1), b)", &h));
  EXPECT_EQ(h.return_suffix, ".s");
  EXPECT_EQ(h.name, "tr Name");
  EXPECT_EQ(h.parameters, "a = Chr(1");
  EXPECT_EQ(h.description, "b)");  // the ")" of Chr ended the parameters early

  ASSERT_TRUE(parse_export_header("ProcedureDLL", &h));
  EXPECT_EQ(h.name, "");
  EXPECT_EQ(h.parameters, "");
}

TEST(ParseExportHeader, RejectsTabsShortLinesAndCDLL) {
  EXPECT_FALSE(parse_export_header("\tProcedureDLL Foo()"));
  EXPECT_FALSE(parse_export_header("ProcedureDL"));
  EXPECT_FALSE(parse_export_header("ProcedureCDLL Foo()"));
  EXPECT_TRUE(parse_export_header("PROCEDUREDLLFoo()"));
}

TEST(SplitParameters, KeepsSpacesAndStopsAtAnEmptyField) {
  ParameterList p;
  ASSERT_EQ(split_parameters("a.l, b.l = 5", p), 2);
  EXPECT_EQ(p[0].name, "a.l");
  EXPECT_FALSE(p[0].optional);
  EXPECT_EQ(p[1].name, " b.l ");
  EXPECT_EQ(p[1].default_value, " 5");
  EXPECT_TRUE(p[1].optional);

  ASSERT_EQ(split_parameters("a.l=1, b.l", p), 2);
  EXPECT_TRUE(p[1].optional);
  EXPECT_EQ(p[1].default_value, "");

  EXPECT_EQ(split_parameters("", p), 0);
  EXPECT_TRUE(p.empty());
  EXPECT_EQ(split_parameters("a,,b = 1", p), 1);
  EXPECT_EQ(split_parameters("a = 1 = 2 = 3", p), 1);
  EXPECT_EQ(p[0].default_value, " 1 ");
  EXPECT_EQ(split_parameters("a,", p), 1);
}

}  // namespace
}  // namespace lh
