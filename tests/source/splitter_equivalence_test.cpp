// The in-memory splitter against the literal line-by-line one: same model,
// same work folder, byte for byte, on generated libraries and on random
// sources that mix every marker, odd names, line ends and files that the
// include folder brought.
#include <gtest/gtest.h>

#include <random>

#include "literal_splitter.h"
#include "work_folder.h"

// The benchmark's generator of realistic libraries, built into this test
// program so that it runs on both targets.
#include "../bench/gen/library_generator.cpp"  // NOLINT(bugprone-suspicious-include): bench/ is not built for Windows

namespace lh {
namespace {

using testing::folder_files;
using testing::ScratchFolder;

std::string describe(const ProcedureTable& t) {
  std::string out;
  for (const ProcedureRecord& r : t.records)
    out += std::to_string(static_cast<int>(r.kind)) + "|" + r.return_suffix + "|" + r.name + "|" + r.parameters + "|" +
           r.description + "\n";
  return out;
}

using Prefill = std::vector<std::pair<std::string, std::string>>;

// Splits `text` both ways into two work folders filled alike beforehand and
// compares everything that the split leaves.
void expect_same_split(const std::string& text, const Prefill& prefill, const std::string& library,
                       bool with_blocked_folder, const std::string& read_only = "") {
  ScratchFolder scratch("equal");
  std::string source = scratch.path() + "Source.pb";
  ASSERT_TRUE(platform::write_file(source, text));
  std::string fast_dir = scratch.sub("fast"), literal_dir = scratch.sub("literal");
  for (const std::string& dir : {fast_dir, literal_dir}) {
    for (const auto& [name, data] : prefill) platform::write_file(dir + name, data);
    // A folder where a piece file would go: every line for it is lost.
    if (with_blocked_folder) platform::create_folder(dir + "Bar.exd");
    // A file that cannot be written to (or, on Windows, deleted).
    if (!read_only.empty()) platform::set_read_only(dir + read_only, true);
  }
  ManualModel fast, literal;
  const ContentsRegister& reg = fast.contents;
  split_source(platform::real_file_system(), source, fast_dir, library, testing::brought_files(fast_dir), fast);
  testing::literal_split_source(source, literal_dir, library, literal);

  EXPECT_EQ(fast.lines.lines, literal.lines.lines);
  EXPECT_EQ(fast.lines.current, literal.lines.current);
  EXPECT_EQ(describe(fast.table), describe(literal.table));
  EXPECT_EQ(fast.library_version, literal.library_version);
  EXPECT_EQ(fast.exported_count, literal.exported_count);
  auto a = folder_files(fast_dir), b = folder_files(literal_dir);
  EXPECT_EQ(a.size(), b.size());
  for (const auto& [name, data] : b) {
    auto it = a.find(name);
    if (it == a.end()) {
      ADD_FAILURE() << "missing " << name;
      continue;
    }
    EXPECT_EQ(it->second, data) << name;
  }
  for (const auto& [name, data] : a)
    if (!b.count(name)) ADD_FAILURE() << "extra " << name;
  // The model holds what the folder holds, brought files included.
  EXPECT_EQ(testing::model_differs_from_folder(fast, fast_dir), "");
  // The register in memory is the one on disk.
  ContentsRegister on_disk = read_contents_register(platform::real_file_system(), literal_dir);
  EXPECT_EQ(format_contents_register(reg), format_contents_register(on_disk));
  if (!read_only.empty())
    for (const std::string& dir : {fast_dir, literal_dir}) platform::set_read_only(dir + read_only, false);
}

TEST(SplitterEquivalence, GeneratedLibraries) {
  for (uint32_t seed : {1u, 2u}) {
    std::string text = generate_library_source(seed == 1 ? 40 : 250, seed);
    SCOPED_TRACE(seed);
    expect_same_split(text, {}, "Gen", false);
  }
}

struct RandomSource {
  std::mt19937 rng;
  explicit RandomSource(uint32_t seed) : rng(seed) {}
  size_t pick(size_t n) { return rng() % n; }
  template <class T, size_t N>
  const T& any(const T (&a)[N]) {
    return a[pick(N)];
  }

  std::string name() {
    static const char* const names[] = {"Foo",  "foo", "FOO", "Bar",      " Intro",   "",        "../x",
                                        "a:b",  ".",   "Lib", "Resident", "chm",      "X y",     "Trim",
                                        "trim", "..",  "A=B", "Gen",      "\xC4rger", "\xE4rger"};
    return any(names);
  }
  std::string line() {
    std::string n = name(), k = std::to_string(pick(100));
    switch (pick(24)) {
      case 0:
        return ";->" + n + " text " + k;
      case 1:
        return ";->" + n;
      case 2:
        return "  ;-> " + n + " text";
      case 3:
        return ";{//" + n;
      case 4:
        return "  ;{//" + n + "  ";
      case 5:
        return "ProcedureDLL" + std::string(pick(2) ? ".s " : " ") + n + "(a.l, b.l = " + k + ") ; Desc " + k;
      case 6:
        return "  procedureDLL.S " + n + "()";
      case 7:
        return "\tProcedureDLL " + n + "()";
      case 8:
        return pick(2) ? "EndProcedure" : " endprocedure ";
      case 9:
        return "EndProcedure ; x";
      case 10:
        return ";// doc " + k;
      case 11:
        return "\t;// tab doc";
      case 12:
        return "x = " + k + " ;//resident";
      case 13:
        return "Structure S ;//RESIDENT  ";
      case 14:
        return ";{/* title " + k;
      case 15:
        return pick(2) ? ";{/*word title" : ";{/*";
      case 16:
        return pick(2) ? ";}" : "  ;}  ";
      case 17:
        return ";} tail";
      case 18:
        return pick(2) ? "; code " + k : "  ; Debug " + k;
      case 19:
        return "plain code " + k;
      case 20:
        return pick(2) ? ";/nosource" : ";/NOSOURCE x";
      case 21:
        return pick(2) ? "#LIBRARY_VERSION = \"" + k + "\"" : "#LIBRARY_VERSION=" + k + "=z";
      case 22:
        return "";
      default:
        return "  body " + k;
    }
  }
  std::string source(int count) {
    static const char* const ends[] = {"\r\n", "\r\n", "\n", "\r", std::string_view("\0", 1).data()};
    std::string out;
    for (int i = 0; i < count; ++i) {
      out += line();
      size_t e = pick(5);
      if (e == 4)
        out += '\0';
      else
        out += ends[e];
    }
    if (pick(3) == 0) out += "last line without end";
    return out;
  }
};

TEST(SplitterEquivalence, RandomSources) {
  const Prefill prefills[] = {
      {},
      {{"Foo.txt", "brought\r\n"}, {"foo.cod", "old code\r\n"}, {"Lib.ver", "x\r\ny\r\n"}},
      {{"chm.ini", "Kept = 1\r\n[Foo]\r\nold = 1\r\n; note\r\n"},
       {"Resident.pb", "#OLD = 1\r\n"},
       {"Bar.ex", "brought"},
       {"FOO.cod", "more\r\n"}},
  };
  for (uint32_t seed = 1; seed <= 60; ++seed) {
    RandomSource r(seed);
    std::string text = r.source(20 + static_cast<int>(r.pick(60)));
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    const char* read_only = seed % 3 == 1 ? (seed % 2 ? "Foo.txt" : "foo.cod") : "";
    expect_same_split(text, prefills[seed % 3], "Lib", seed % 2 == 0, read_only);
    if (HasFailure()) break;
  }
}

}  // namespace
}  // namespace lh
