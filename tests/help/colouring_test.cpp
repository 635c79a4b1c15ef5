// Colouring code piece files: the coloured file's path and content, the
// failure cases, and the property that removing the tags gives back the
// code byte for byte.
#include <gtest/gtest.h>

#include <random>

#include "help/colouring.h"
#include "help_fixture.h"
#include "platform/file_system.h"

namespace lh {
namespace {

class Colouring : public test::WorkFolder {
 protected:
  platform::FileSystem& disk_ = platform::real_file_system();
};

// The coloured text without its tags: every "<font color=#XXXXXX>" and
// "</font>" that the colouring wrote.
std::string strip_tags(const std::string& coloured) {
  std::string out;
  const std::string open = "<font color=#", close = "</font>";
  for (size_t i = 0; i < coloured.size();) {
    if (coloured.compare(i, open.size(), open) == 0 && i + open.size() + 7 <= coloured.size() &&
        coloured[i + open.size() + 6] == '>') {
      i += open.size() + 7;
    } else if (coloured.compare(i, close.size(), close) == 0) {
      i += close.size();
    } else {
      out += coloured[i++];
    }
  }
  return out;
}

TEST(ColouredPath, ReplacesTheLastExtensionOfTheFileName) {
  EXPECT_EQ(coloured_path("/w/Upper.cod"), "/w/Upper.col");
  EXPECT_EQ(coloured_path("/w/Upper.ex"), "/w/Upper.col");
  EXPECT_EQ(coloured_path("/w/Version 1.2.ex"), "/w/Version 1.2.col");
  EXPECT_EQ(coloured_path("C:\\a.b\\Name"), "C:\\a.b\\Name.col");
}

TEST_F(Colouring, CodeLineWithComparisonAndComment) {
  put("A.cod", "If a <> b & c ; not \"<>\" here\r\nDone:\r\n");
  ASSERT_TRUE(colour_source_file(disk_, linked_highlighter(), folder_ + "A.cod"));
  EXPECT_EQ(get("A.col"),
            "If a <font color=#006666><</font><font color=#006666>></font> b <font color=#006666>&</font> c "
            "<font color=#0000FF>; not \"<>\" here\r\n</font><font color=#0000FA>Done:</font>\r\n");
  put("B.ex", "x$ = \"<>\" + \"open\r\n");
  ASSERT_TRUE(colour_source_file(disk_, linked_highlighter(), folder_ + "B.ex"));
  EXPECT_EQ(get("B.col"),
            "x$ <font color=#006666>=</font> <font color=#00AAAA>\"<>\"</font> "
            "<font color=#006666>+</font> <font color=#00AAAA>\"open\r\n</font>");
}

TEST_F(Colouring, EmptyMissingAndUnloaded) {
  put("E.cod", "");
  put("E.col", "old");
  EXPECT_TRUE(colour_source_file(disk_, linked_highlighter(), folder_ + "E.cod"));
  EXPECT_EQ(get("E.col"), "");
  // A missing input creates no coloured file.
  EXPECT_FALSE(colour_source_file(disk_, linked_highlighter(), folder_ + "M.cod"));
  EXPECT_FALSE(has("M.col"));
  // A library that could not be loaded writes nothing.
  put("U.cod", "x = 1");
  EXPECT_FALSE(colour_source_file(disk_, Highlighter{}, folder_ + "U.cod"));
  EXPECT_FALSE(has("U.col"));
  // A library without the export gives an empty coloured file.
  EXPECT_TRUE(colour_source_file(disk_, Highlighter{true, nullptr, nullptr}, folder_ + "U.cod"));
  EXPECT_EQ(get("U.col"), "");
  // The library file that cannot be loaded.
  Highlighter none = load_highlighter(folder_ + "no such library");
  EXPECT_FALSE(none.loaded);
  unload_highlighter(none);
}

TEST_F(Colouring, TokenClassesOutsideTheTableAreUncoloured) {
  std::string out;
  Highlighter fake{true, nullptr, [](const char* b, int32_t n, SyntaxTokenFunction f, int32_t) -> int32_t {
                     f(b, 1, 13);
                     f(b + 1, 1, -1);
                     f(b + 2, n - 2, 12);
                     return 0;
                   }};
  colour_text(fake, "abc:", out);
  EXPECT_EQ(out, "ab<font color=#0000FA>c:</font>");
}

// Pieces of PureBasic that exercise every rule, joined at random.
std::string generated_code(std::mt19937& rng) {
  static const char* pieces[] = {"ProcedureDLL.s Upper(text.s, *p.Point)",
                                 "EndProcedure",
                                 "  Protected a.l = %0101 * b % 3",
                                 "; comment <> & \"q\"",
                                 "x$ = \"unclosed",
                                 "Start:",
                                 "!MOV eax, 1 ; asm",
                                 "*p\\x = @v + ?l",
                                 "If a <> b And c >= 2 : Debug Len(s$) : EndIf",
                                 "Define.i *q, n = $FF",
                                 "s = ~\"esc \\\" q\"",
                                 "c = 'A' + #PB_Any",
                                 "Mod::Call()",
                                 "a.Rect\\left = 1.5e3",
                                 "\t",
                                 "",
                                 "\xE9t\xE9",
                                 "ForEach l() : Next"};
  static const char* ends[] = {"\r\n", "\n", "\r", ""};
  std::string code;
  int n = int(rng() % 12);
  for (int i = 0; i < n; ++i) {
    code += pieces[rng() % std::size(pieces)];
    code += ends[rng() % 4 == 0 ? rng() % 4 : 0];
  }
  return code;
}

TEST_F(Colouring, RemovingTheTagsGivesBackTheCode) {
  std::mt19937 rng(2024);
  for (int round = 0; round < 500; ++round) {
    std::string code = generated_code(rng);
    if (round % 4 == 3) {  // random bytes, without '<' so that no input looks like a tag
      code.assign(rng() % 300, '\0');
      for (char& c : code) c = char(rng() % 256);
      for (char& c : code)
        if (c == '<') c = '(';
    }
    put("R.cod", code);
    std::string coloured;
    ASSERT_TRUE(colour_source_file(disk_, linked_highlighter(), folder_ + "R.cod", &coloured));
    ASSERT_EQ(get("R.col"), coloured);
    ASSERT_EQ(strip_tags(coloured), code) << testing::PrintToString(code);
  }
}

}  // namespace
}  // namespace lh
