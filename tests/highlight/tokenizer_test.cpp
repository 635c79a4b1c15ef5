// The tokenizer behind SyntaxHighlight: the class of each kind of token, the
// places where context decides ("*", "%", "." and labels), and the contract
// that the tokens cover the buffer exactly once, in order.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "highlight/syntax_highlight.h"

namespace {

using Tokens = std::vector<std::pair<std::string, int>>;

// The token function has no context argument, so the tests collect into a
// global, as any caller of the library must.
struct Collected {
  const char* base = nullptr;
  size_t next = 0;  // where the next token must start
  bool in_order = true;
  Tokens tokens;
} g;

int32_t LH_CDECL collect(const char* token, int32_t length, int32_t token_class) {
  if (token != g.base + g.next || length <= 0) g.in_order = false;
  g.next += static_cast<size_t>(length > 0 ? length : 0);
  g.tokens.emplace_back(std::string(token, static_cast<size_t>(length > 0 ? length : 0)), token_class);
  return 0;
}

Tokens tokenize(const std::string& text) {
  g = Collected{};
  g.base = text.data();
  SyntaxHighlight(text.data(), static_cast<int32_t>(text.size()), collect, 0);
  EXPECT_TRUE(g.in_order) << "tokens must follow each other without gap or overlap";
  EXPECT_EQ(g.next, text.size()) << "tokens must cover the whole buffer";
  return g.tokens;
}

// The tokens of a class, in order.
std::vector<std::string> of_class(const Tokens& tokens, int token_class) {
  std::vector<std::string> out;
  for (const auto& [text, c] : tokens)
    if (c == token_class) out.push_back(text);
  return out;
}

int class_of(const Tokens& tokens, const std::string& text) {
  for (const auto& [t, c] : tokens)
    if (t == text) return c;
  return -1;
}

using namespace lh::highlight;
using V = std::vector<std::string>;

TEST(Tokenizer, ReportsNothingForAbsentInput) {
  int calls = 0;
  static int* counter;
  counter = &calls;
  auto count = [](const char*, int32_t, int32_t) -> int32_t {
    ++*counter;
    return 0;
  };
  SyntaxHighlight(nullptr, 5, count, 0);
  SyntaxHighlight("abc", 0, count, 0);
  SyntaxHighlight("abc", -3, count, 0);
  SyntaxHighlight("abc", 3, nullptr, 0);
  EXPECT_EQ(calls, 0);
  SyntaxHighlight("abc", 3, count, 0);
  EXPECT_EQ(calls, 1);
}

TEST(Tokenizer, CommentTakesItsLineEnd) {
  Tokens t = tokenize("a = 1 ; note <> here\r\nb\n;x\rc ;end");
  EXPECT_EQ(of_class(t, kComment), (V{"; note <> here\r\n", ";x\r", ";end"}));
  EXPECT_EQ(t.back(), (std::pair<std::string, int>{";end", kComment}));
  // A lone LF comment end too.
  EXPECT_EQ(of_class(tokenize(";a\n;b"), kComment), (V{";a\n", ";b"}));
}

TEST(Tokenizer, StringsClosedAndUnclosed) {
  Tokens t = tokenize("s$ = \"a;b<>c\" + \"open\r\nx = 'A' + ~\"say \\\"hi\\\"\"");
  EXPECT_EQ(of_class(t, kString), (V{"\"a;b<>c\"", "\"open\r\n", "\"say \\\"hi\\\"\""}));
  EXPECT_TRUE(of_class(t, kComment).empty()) << "a ';' inside a string starts no comment";
  EXPECT_EQ(class_of(t, "'A'"), kNumber);
  EXPECT_EQ(class_of(t, "~"), kOperator);
  // Without "~" a backslash is an ordinary character.
  EXPECT_EQ(of_class(tokenize("p$ = \"C:\\\" + x"), kString), (V{"\"C:\\\""}));
  // A quote inside a character constant starts no string; an unclosed one is plain.
  EXPECT_EQ(of_class(tokenize("c = ';' ; real"), kComment), (V{"; real"}));
}

TEST(Tokenizer, CallsKeywordsAndTheirParentheses) {
  Tokens t = tokenize("If Len (a$) > 0 And Not(b)\r\n  ProcedureReturn MyProc(x)\r\nEndIf");
  EXPECT_EQ(of_class(t, kCall), (V{"Len", "MyProc"}));
  EXPECT_EQ(of_class(t, kKeyword), (V{"If", "And", "Not", "ProcedureReturn", "EndIf"}));
  EXPECT_EQ(of_class(t, kSeparator), (V{"(", ")", "(", ")", "(", ")"}));
  EXPECT_EQ(class_of(tokenize("endprocedure"), "endprocedure"), kKeyword) << "keywords ignore case";
  // A header: the procedure's name is a call, its return type a one-letter type.
  Tokens h = tokenize("ProcedureDLL.s Upper(text.s, *buffer.Point)");
  EXPECT_EQ(of_class(h, kCall), (V{"Upper"}));
  EXPECT_EQ(of_class(h, kStructure), (V{"Point"}));
  EXPECT_EQ(of_class(h, kPointer), (V{"*buffer"}));
  EXPECT_EQ(class_of(h, "s"), kText);
}

TEST(Tokenizer, TypesAndFieldsAfterDotAndBackslash) {
  Tokens t = tokenize("a.l = b.Rect\\left + c.W + d.Str + *p\\next\\Method(1) + e.q");
  EXPECT_EQ(of_class(t, kStructure), (V{"Rect", "left", "Str", "next"}));
  EXPECT_EQ(of_class(t, kCall), (V{"Method"}));
  for (const char* type : {"l", "W", "q"}) EXPECT_EQ(class_of(t, type), kText) << type;
  EXPECT_EQ(of_class(t, kSeparator), (V{".", ".", "\\", ".", ".", "\\", "\\", "(", ")", "."}));
}

TEST(Tokenizer, StarIsPointerOrProduct) {
  Tokens t = tokenize("*p = a*b + (*q) * 2 - x * *r : Define.l *s, *t\r\n*u\\x = @v + ?w + @*z");
  EXPECT_EQ(of_class(t, kPointer), (V{"*p", "*q", "*r", "*s", "*t", "*u", "@v", "?w", "@*z"}));
  // Products after a name, a closing parenthesis and a name with a space.
  EXPECT_EQ(of_class(t, kOperator), (V{"=", "*", "+", "*", "-", "*", "=", "+", "+"}));
  // A typed variable in an expression is an operand: its "*" multiplies.
  EXPECT_EQ(of_class(tokenize("x = a.l *b"), kPointer), V{});
  EXPECT_EQ(of_class(tokenize("ProcedureReturn *mem"), kPointer), (V{"*mem"}));
}

TEST(Tokenizer, PercentIsBinaryOrModulo) {
  Tokens t = tokenize("a = %0101 + b % 4 + c%10 - (%1)");
  EXPECT_EQ(of_class(t, kNumber), (V{"%0101", "4", "10", "%1"}));
  EXPECT_EQ(of_class(t, kOperator), (V{"=", "+", "%", "+", "%", "-"}));
}

TEST(Tokenizer, NumbersAndConstants) {
  Tokens t = tokenize("x = $FF + 1.5e3 + 42 + #PB_Any + #CRLF$ + # + $");
  EXPECT_EQ(of_class(t, kNumber), (V{"$FF", "1.5e3", "42"}));
  EXPECT_EQ(of_class(t, kConstant), (V{"#PB_Any", "#CRLF$"}));
}

TEST(Tokenizer, EveryOperatorAndSeparatorIsOneToken) {
  Tokens t = tokenize("a<>b>=c<=d=e+f-g/h&i|j!k~l(m)[n].o,p:q\\r");
  EXPECT_EQ(of_class(t, kOperator), (V{"<", ">", ">", "=", "<", "=", "=", "+", "-", "/", "&", "|", "!", "~"}));
  EXPECT_EQ(of_class(t, kSeparator), (V{"(", ")", "[", "]", ".", ",", ":", "\\"}));
}

TEST(Tokenizer, LabelsAtLineStartOnly) {
  Tokens t = tokenize("Start:\r\n  Again: Goto Again\r\nx = a ? b : c\r\nMod::Proc()\r\nDefault:");
  EXPECT_EQ(of_class(t, kLabel), (V{"Start:", "Again:"}));
  EXPECT_EQ(class_of(t, "Mod"), kText) << "a module path is no label";
  EXPECT_EQ(class_of(t, "Default"), kKeyword);
  // A comment ends its line, so a label can follow it directly.
  EXPECT_EQ(of_class(tokenize("; head\r\nNext1:"), kLabel), (V{"Next1:"}));
}

TEST(Tokenizer, InlineAssemblyLines) {
  Tokens t = tokenize("  !MOV eax, [p_x] ; load\r\nx = !y\r\n!RET");
  EXPECT_EQ(of_class(t, kAssembly), (V{"!MOV eax, [p_x] ", "!RET"}));
  EXPECT_EQ(of_class(t, kComment), (V{"; load\r\n"}));
  EXPECT_EQ(class_of(t, "!"), kOperator) << "a '!' inside a line is XOr";
}

TEST(Tokenizer, BlanksLineEndsAndOddBytesArePlain) {
  Tokens t = tokenize("a\t \r\n\n\r\xE9t\xE9{}\x01");
  EXPECT_EQ(t, (Tokens{{"a", kText},
                       {"\t ", kText},
                       {"\r\n", kText},
                       {"\n", kText},
                       {"\r", kText},
                       {"\xE9", kText},
                       {"t", kText},
                       {"\xE9{}\x01", kText}}));
}

// Property: whatever the bytes, the tokens cover them once, in order, and
// no token is empty. Inputs are random bytes and random mixtures of the
// characters that carry rules.
TEST(Tokenizer, CoversRandomInputExactlyOnce) {
  std::mt19937 rng(12345);
  const std::string alphabet = "ab_Z09 \t\r\n;\"'!*%$#@?=+-/&|~<>()[].,:\\{}e";
  for (int round = 0; round < 3000; ++round) {
    std::string text(rng() % 200 + 1, '\0');
    bool raw = round % 3 == 0;
    for (char& c : text) c = raw ? char(rng() & 0xFF) : alphabet[rng() % alphabet.size()];
    tokenize(text);
    for (const auto& [tok, cls] : g.tokens) {
      ASSERT_FALSE(tok.empty());
      ASSERT_GE(cls, 0);
      ASSERT_LE(cls, 12);
    }
    if (HasFailure()) {
      ADD_FAILURE() << "input: " << testing::PrintToString(text);
      return;
    }
  }
}

}  // namespace
