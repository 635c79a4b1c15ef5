// The indexed passes against the straightforward reading on many sources:
// random ones built from the pieces that trip the passes up (repeated and
// overlapping names, end lines with comments, headers without end lines,
// documentation lines, calls after every kind of character), and tables in
// shuffled order as the splitter's cursor can leave them.
#include <gtest/gtest.h>

#include <random>

#include "source/tweak.h"
#include "source/tweak_reference.h"

namespace lh {
namespace {

struct Gen {
  std::mt19937 rng;
  explicit Gen(unsigned seed) : rng(seed) {}
  size_t pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); }
  template <typename T>
  const T& one(const std::vector<T>& v) {
    return v[pick(v.size())];
  }
  bool chance(int percent) { return int(pick(100)) < percent; }
};

const std::vector<std::string> kNames{"A", "Sum", "Sum2", "Sum3", "Greet", "Greet_internal", "x", "My Greet", "B1"};

std::string parameters(Gen& g) {
  static const std::vector<std::string> kParams{"a.l", " b.l = 1", "c=2", " d.s = \"x\"", "", "e", "f = g(1"};
  std::string out;
  size_t n = g.pick(4);
  for (size_t i = 0; i < n; ++i) out += (i ? "," : "") + g.one(kParams);
  return out;
}

std::string header(Gen& g, const std::string& name) {
  static const std::vector<std::string> kKeyword{"ProcedureDLL", "proceduredll", "  ProcedureDLL", "ProcedureDll"};
  static const std::vector<std::string> kSuffix{".s", ".s", ".l", "", ".S", " .s"};
  std::string line = g.one(kKeyword) + g.one(kSuffix) + " " + name + "(" + parameters(g) + ")";
  if (g.chance(50)) line += " ; about " + name;
  return line;
}

// The text after a call's "(": arguments with strings, brackets and nested
// calls, closed on the line or not.
std::string arguments(Gen& g, int depth) {
  static const std::vector<std::string> kArgs{"1",        "a",          " ",   "",       "\")\"", "~\"\\\",(\"",
                                              "\"C:\\\"", "v\\a[1, 2]", "x[1", "(1, 2)", "f(",    "~\"\\"};
  static const std::vector<std::string> kClose{")", ")", ") + 1", "", "]", ")]"};
  std::string out;
  size_t n = g.pick(4);
  for (size_t i = 0; i < n; ++i) {
    if (i) out += g.chance(50) ? "," : ", ";
    out += depth < 2 && g.chance(15) ? g.one(kNames) + "(" + arguments(g, depth + 1) : g.one(kArgs);
  }
  return out + g.one(kClose);
}

std::string code_line(Gen& g) {
  static const std::vector<std::string> kBefore{"",  " ",  "\t", "+", "=", "x",    "(", ",", "  x = ", "  y$ = s$+",
                                                "@", "\\", ".",  "#", "$", "\xC3", "*", "~", "\""};
  std::string line;
  size_t calls = 1 + g.pick(3);
  for (size_t i = 0; i < calls; ++i) line += g.one(kBefore) + g.one(kNames) + "(" + arguments(g, 0);
  return line;
}

std::string end_line(Gen& g) {
  static const std::vector<std::string> kEnds{"EndProcedure",   "  endprocedure  ",     "EndProcedure ; done",
                                              "\tEndProcedure", "EndProcedure : x = 1", "EndProcedure;"};
  return g.one(kEnds);
}

std::vector<std::string> source(Gen& g) {
  std::vector<std::string> lines;
  size_t procedures = 1 + g.pick(8);
  for (size_t p = 0; p < procedures; ++p) {
    if (g.chance(30)) lines.push_back(code_line(g));
    if (g.chance(10)) lines.push_back(";/nosource");
    lines.push_back(header(g, g.one(kNames)));
    size_t body = g.pick(4);
    for (size_t i = 0; i < body; ++i) {
      if (g.chance(20))
        lines.push_back("  ;// doc " + g.one(kNames) + "(1)");
      else if (g.chance(10))
        lines.push_back("");
      else
        lines.push_back("  " + code_line(g));
    }
    if (!g.chance(10)) lines.push_back(end_line(g));
  }
  return lines;
}

void table(Gen& g, const std::vector<std::string>& lines, ProcedureTable& t) {
  std::vector<ProcedureRecord> records;
  for (const std::string& line : lines) {
    ExportHeader h;
    if (parse_export_header(line, &h))
      records.push_back({EntryKind::kExportedProcedure, h.return_suffix, h.name, h.parameters, h.description});
  }
  if (g.chance(30)) std::shuffle(records.begin(), records.end(), g.rng);
  if (g.chance(20)) records.push_back({EntryKind::kPage, "", "Sum", "", ""});
  if (g.chance(10)) records.push_back({EntryKind::kExportedProcedure, ".s", "", "a=1", ""});
  TableCursor cursor;
  for (ProcedureRecord& r : records) append_record(t, cursor, std::move(r));
}

TEST(TweakCompare, IndexedPassesMatchTheStraightforwardReading) {
  int expanded = 0, copied = 0;
  for (unsigned seed = 1; seed <= 3000; ++seed) {
    Gen g(seed);
    std::vector<std::string> lines = source(g);
    ProcedureTable t;
    table(g, lines, t);
    SourceLines fast{lines, -1}, slow{lines, -1};
    add_internal_copies(fast, t);
    reference::add_internal_copies(slow, t);
    ASSERT_EQ(fast.lines, slow.lines) << "copies, seed " << seed;
    copied += fast.lines.size() != lines.size();
    size_t before = fast.lines.size();
    expand_optional_parameters(fast, t);
    reference::expand_optional_parameters(slow, t);
    ASSERT_EQ(fast.lines, slow.lines) << "expansion, seed " << seed;
    expanded += fast.lines.size() != before;
    redirect_string_calls(fast, t);
    reference::redirect_string_calls(slow, t);
    ASSERT_EQ(fast.lines, slow.lines) << "string calls, seed " << seed;
    SourceLines once{lines, -1};
    tweak_source(once, t);
    ASSERT_EQ(once.lines, slow.lines) << "one index for all passes, seed " << seed;
  }
  // The generator must keep reaching both rewrites to mean anything.
  EXPECT_GT(copied, 500);
  EXPECT_GT(expanded, 500);
}

// A larger, regular library: many procedures, each calling earlier ones.
TEST(TweakCompare, LargeRegularLibrary) {
  std::vector<std::string> lines;
  for (int i = 0; i < 300; ++i) {
    std::string n = "P" + std::to_string(i);
    lines.push_back(std::string(i % 2 ? "ProcedureDLL.s " : "ProcedureDLL.l ") + n + "(a.l" +
                    (i % 3 ? ", b.l = 1)" : ")") + " ; command " + n);
    lines.push_back("  ;// doc");
    if (i) lines.push_back("  x = P" + std::to_string(i - 1) + "(a) + P" + std::to_string(i / 2) + "(a, 2)");
    lines.push_back("  ProcedureReturn a");
    lines.push_back("EndProcedure");
  }
  ProcedureTable t;
  Gen g(7);
  table(g, lines, t);
  SourceLines fast{lines, -1}, slow{lines, -1};
  add_internal_copies(fast, t);
  expand_optional_parameters(fast, t);
  redirect_string_calls(fast, t);
  reference::add_internal_copies(slow, t);
  reference::expand_optional_parameters(slow, t);
  reference::redirect_string_calls(slow, t);
  EXPECT_EQ(fast.lines, slow.lines);
}

}  // namespace
}  // namespace lh
