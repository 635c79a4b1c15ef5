#include "source/tweak.h"

#include <gtest/gtest.h>

#include "source/tweak_reference.h"

namespace lh {
namespace {

using Lines = std::vector<std::string>;

// The table the splitter would build: one record per header, in order.
void table_from(const Lines& lines, ProcedureTable& table) {
  TableCursor cursor;
  for (const std::string& line : lines) {
    ExportHeader h;
    if (parse_export_header(line, &h))
      append_record(table, cursor,
                    {EntryKind::kExportedProcedure, h.return_suffix, h.name, h.parameters, h.description});
  }
}

// Runs the three passes in the build's order, indexed and reference, checks
// they agree and returns the tweaked lines.
Lines tweak_all(const Lines& lines) {
  ProcedureTable table;
  table_from(lines, table);
  SourceLines fast{lines, -1};
  add_internal_copies(fast, table);
  expand_optional_parameters(fast, table);
  redirect_string_calls(fast, table);
  SourceLines slow{lines, -1};
  reference::add_internal_copies(slow, table);
  reference::expand_optional_parameters(slow, table);
  reference::redirect_string_calls(slow, table);
  EXPECT_EQ(fast.lines, slow.lines);
  return fast.lines;
}

TEST(TweakedSource, OptionalParametersWorkedExample) {
  Lines out = tweak_all(
      {"ProcedureDLL.l Sum(a.l, b.l = 1, c.l = 2) ; Adds numbers", "  ProcedureReturn a + b + c", "EndProcedure"});
  EXPECT_EQ(out, (Lines{"Declare.l Sum3(a.l, b.l , c.l )", "", "ProcedureDll.l Sum(a.l) ; Adds numbers",
                        "  ProcedureReturn Sum3(a.l, 1, 2)", "EndProcedure", "",
                        "ProcedureDll.l Sum2(a.l, b.l ) ; Adds numbers", "  ProcedureReturn Sum3(a.l, b.l , 2)",
                        "EndProcedure", "", "ProcedureDll.l Sum3(a.l, b.l , c.l ) ; Adds numbers",
                        "  ProcedureReturn a + b + c", "EndProcedure"}));
}

// Each call goes to the variant that takes as many arguments as it passes.
TEST(TweakedSource, CallsReachTheVariantTakingTheirArguments) {
  const Lines calls{"x = Sum(4)",
                    "x = Sum(1, 2, 3)",
                    "v = Val(Sum(1, 2))",
                    "x=Sum(4,5)",
                    "y = 2*Sum(1, \")\", 3)",
                    "z = Sum(1, 2, 3, 4)",
                    "a\\Sum(1,2)",
                    "MySum(1, 2)",
                    "p = @Sum(1, 2) + s$Sum(1, 2) + t.Sum(1, 2)",
                    "w = Sum(1,",
                    "procedureDLL Other2( Sum(1,2))",
                    "  ProcedureDll Other( Sum(1, 2))",
                    "Declare.l Sum(a.l, b.l = 1, c.l = 2)"};
  Lines in{"ProcedureDLL.l Sum(a.l, b.l = 1, c.l = 2) ; Adds numbers", "  ProcedureReturn a + b + c", "EndProcedure"};
  in.insert(in.end(), calls.begin(), calls.end());
  Lines out = tweak_all(in);
  EXPECT_EQ(Lines(out.end() - Lines::difference_type(calls.size()), out.end()),
            (Lines{"x = Sum(4)", "x = Sum3(1, 2, 3)", "v = Val(Sum2(1, 2))", "x=Sum2(4,5)", "y = 2*Sum3(1, \")\", 3)",
                   "z = Sum(1, 2, 3, 4)", "a\\Sum(1,2)", "MySum(1, 2)", "p = @Sum(1, 2) + s$Sum(1, 2) + t.Sum(1, 2)",
                   "w = Sum(1,", "procedureDLL Other2( Sum2(1,2))", "  ProcedureDll Other( Sum(1, 2))",
                   "Declare.l Sum3(a.l, b.l = 1, c.l = 2)"}));
}

// Strings (a plain one ends at the next quote; ~"..." knows escapes),
// brackets and nesting on one line; the call's ")" must be on the line.
TEST(TweakedSource, CallsOfSeveralAritiesOnOneLine) {
  Lines out = tweak_all({"ProcedureDLL Sum(a, b = 1, c = 2)", "EndProcedure",
                         "t = Sum(1) + Sum(1, 2) - Sum(Sum(1, 2, 3), ~\"\\\",(\", f(1, 2)) + Sum( ) + Sum(\"C:\\\", 2) "
                         "+ Sum(v\\a[1, 2], 3) + Sum(x[1)]"});
  EXPECT_EQ(out.back(),
            "t = Sum(1) + Sum2(1, 2) - Sum3(Sum3(1, 2, 3), ~\"\\\",(\", f(1, 2)) + Sum( ) + Sum2(\"C:\\\", 2) "
            "+ Sum2(v\\a[1, 2], 3) + Sum(x[1)]");
}

// A one-argument call of a string procedure with optional parameters stays
// on variant 1 and so ends at the internal copy, which keeps the defaults.
TEST(TweakedSource, StringProcedureWithOptionalParameters) {
  Lines out = tweak_all({"ProcedureDLL.s Pad(s.s, n.l = 10)", "  ProcedureReturn LSet(s, n)", "EndProcedure",
                         "x$ = Pad(s)", "y$ = Pad(s, 3)"});
  EXPECT_EQ(out[0], "Procedure.s Pad_internal(s.s, n.l = 10)");
  EXPECT_EQ(Lines(out.end() - 2, out.end()), (Lines{"x$ = Pad_internal(s)", "y$ = Pad2(s, 3)"}));
}

TEST(TweakedSource, StringProceduresWorkedExample) {
  Lines out = tweak_all({"ProcedureDLL.s Greet(who.s) ; Says hello", "  ProcedureReturn Left(who, 3)", "EndProcedure",
                         "ProcedureDLL.s Twice(who.s) ; Greets twice", "  ProcedureReturn Greet(who) + Greet(who)",
                         "EndProcedure"});
  EXPECT_EQ(out,
            (Lines{"Procedure.s Greet_internal(who.s)", "  ProcedureReturn Left(who, 3)", "EndProcedure", "",
                   "ProcedureDLL.s Greet(who.s) ; Says hello", "  ProcedureReturn Left(who, 3)", "EndProcedure",
                   "Procedure.s Twice_internal(who.s)", "  ProcedureReturn Greet_internal(who) + Greet_internal(who)",
                   "EndProcedure", "", "ProcedureDLL.s Twice(who.s) ; Greets twice",
                   "  ProcedureReturn Greet_internal(who) + Greet_internal(who)", "EndProcedure"}));
}

TEST(TweakedSource, WhichCallsAreSentToTheInternalCopy) {
  Lines out =
      tweak_all({"ProcedureDLL.s Greet(a.s)", "EndProcedure", "x$=Greet(a)", "x$ = s$+Greet(a)", "x$ = Trim(Greet(a))",
                 "f(1,Greet(a))", "MyGreet(a)", "\tGreet(a) : Greet(b)", "  procedureDLL.S Other(x = Greet(a))"});
  EXPECT_EQ(Lines(out.begin() + 5, out.end()),
            (Lines{"x$=Greet_internal(a)", "x$ = s$+Greet_internal(a)", "x$ = Trim(Greet(a))", "f(1,Greet(a))",
                   "MyGreet(a)", "\tGreet_internal(a) : Greet_internal(b)", "  procedureDLL.S Other(x = Greet(a))"}));
}

TEST(TweakedSource, CapitalSuffixIsNotAStringProcedure) {
  Lines in{"ProcedureDLL.S Shout(a.s)", "EndProcedure", "x = Shout(1)"};
  EXPECT_EQ(tweak_all(in), in);
}

TEST(TweakedSource, FirstLineHeadersPutTheirLinesAtTheHead) {
  Lines out = tweak_all({"ProcedureDLL.s A(x.s = \"\") ; d", "  ProcedureReturn x", "EndProcedure"});
  EXPECT_EQ(out, (Lines{"Procedure.s A_internal(x.s = \"\")", "  ProcedureReturn x", "EndProcedure", "",
                        "Declare.s A2(x.s )", "", "ProcedureDll.s A() ; d", "  ProcedureReturn A2( \"\")",
                        "EndProcedure", "", "ProcedureDll.s A2(x.s ) ; d", "  ProcedureReturn x", "EndProcedure"}));
}

TEST(TweakedSource, VariantsOfAllOptionalAndSingleOptionalParameters) {
  Lines out = tweak_all({"ProcedureDLL Foo(a=1,b=2)", "EndProcedure", "ProcedureDLL Bar(x, y=7) ; two",
                         "  ;// not code", "  Foo(x) : Foo(y)", "EndProcedure"});
  EXPECT_EQ(out, (Lines{"Declare Foo3(a,b)",  "", "ProcedureDll Foo() ; ",         "  ProcedureReturn Foo3(1,2)",
                        "EndProcedure",       "", "ProcedureDll Foo2(a) ; ",       "  ProcedureReturn Foo3(a,2)",
                        "EndProcedure",       "", "ProcedureDll Foo3(a,b) ; ",     "EndProcedure",
                        "Declare Bar2(x, y)", "", "ProcedureDll Bar(x) ; two",     "  ProcedureReturn Bar2(x,7)",
                        "EndProcedure",       "", "ProcedureDll Bar2(x, y) ; two", "  Foo2(x) : Foo2(y)",
                        "EndProcedure"}));
}

// An end line may carry a comment; the search must not run on to a later
// procedure's end line and swallow everything in between.
TEST(TweakedSource, EndLineWithACommentEndsTheProcedure) {
  Lines out = tweak_all({"ProcedureDLL.s G(a = 1)", "  ProcedureReturn \"\"", "  endprocedure ; done",
                         "Procedure Keep()", "EndProcedure"});
  EXPECT_EQ(out, (Lines{"Procedure.s G_internal(a = 1)", "  ProcedureReturn \"\"", "  endprocedure ; done", "",
                        "Declare.s G2(a )", "", "ProcedureDll.s G() ; ", "  ProcedureReturn G2( 1)", "EndProcedure", "",
                        "ProcedureDll.s G2(a ) ; ", "  ProcedureReturn \"\"", "  endprocedure ; done",
                        "Procedure Keep()", "EndProcedure"}));
  EXPECT_FALSE(is_end_line("EndProcedure : x = 1"));
  EXPECT_FALSE(is_end_line("EndProcedures"));
  EXPECT_TRUE(is_end_line("\tEndProcedure\t"));
}

TEST(TweakedSource, HeaderWithoutEndLineStaysAsWritten) {
  Lines in{"Procedure Before()", "EndProcedure", "ProcedureDLL.s Open(a = 1)", "  ProcedureReturn \"\"", "x = Open(1)"};
  // No copy and no variants, so its calls are not sent to either.
  EXPECT_EQ(tweak_all(in), in);
}

TEST(TweakedSource, BodyComesFromTheSourceNotFromPieceFiles) {
  // A no-source marker inside the body is an ordinary comment line here.
  Lines out =
      tweak_all({"ProcedureDLL.s P(a.s)", "  x = 1", ";/nosource", "  ;// doc", "  ProcedureReturn a", "EndProcedure"});
  EXPECT_EQ(Lines(out.begin(), out.begin() + 6),
            (Lines{"Procedure.s P_internal(a.s)", "  x = 1", ";/nosource", "  ProcedureReturn a", "EndProcedure", ""}));
}

TEST(TweakedSource, EqualsSignThatTheSplitNeverReachesIsNotExpanded) {
  Lines in{"ProcedureDLL F(a,,b = 1)", "EndProcedure", "F(1)"};
  EXPECT_EQ(tweak_all(in), in);
}

TEST(TweakedSource, RepeatedNameGetsOneCopyAndOneExpansion) {
  Lines out = tweak_all({"ProcedureDLL.s D(a = 1)", "EndProcedure", "ProcedureDLL.s D(a = 1)", "EndProcedure"});
  EXPECT_EQ(out, (Lines{"Procedure.s D_internal(a = 1)", "EndProcedure", "", "Declare.s D2(a )", "",
                        "ProcedureDll.s D() ; ", "  ProcedureReturn D2( 1)", "EndProcedure", "",
                        "ProcedureDll.s D2(a ) ; ", "EndProcedure", "ProcedureDLL.s D2(a = 1)", "EndProcedure"}));
}

TEST(TweakedSource, ExpandedCallsInsideLaterBodiesReachTheirVariants) {
  // Bar is expanded after Sum: its full variant keeps the redirected call.
  Lines out = tweak_all(
      {"ProcedureDLL Sum(a, b = 1)", "EndProcedure", "ProcedureDLL Bar(c = 2)", " Sum(c, 1)", "EndProcedure"});
  EXPECT_EQ(out.back(), "EndProcedure");
  EXPECT_EQ(out[out.size() - 2], " Sum2(c, 1)");
}

TEST(TweakedSource, RedirectToFullVariantLeavesGeneratedHeadersAlone) {
  SourceLines s{{"ProcedureDll Sum(a,b) ; x", "ProcedureDLL Sum(a,b)", "Sum(1,2) Sum(2)+Sum(3,4)", "\tSum(1,2)"}, -1};
  redirect_calls_to_full_variant(s, "Sum", 1, 2);
  EXPECT_EQ(s.lines, (Lines{"ProcedureDll Sum(a,b) ; x", "ProcedureDLL Sum2(a,b)", "Sum2(1,2) Sum(2)+Sum2(3,4)",
                            "\tSum2(1,2)"}));
}

}  // namespace
}  // namespace lh

#include "source/tweak_index.h"

namespace lh {
namespace {

// Insertions that keep landing in one gap between two lines use up its
// labels; the list must then be labelled afresh without losing its order.
TEST(TweakIndex, RepeatedInsertionsIntoOneGapKeepTheOrder) {
  SourceLines s{{"ProcedureDLL A(x)", "EndProcedure"}, -1};
  ProcedureTable table;
  TableCursor cursor;
  append_record(table, cursor, {EntryKind::kExportedProcedure, "", "A", "x", ""});
  tweak::IndexedLines ix;
  tweak::build(ix, s, table);
  Lines expected{"ProcedureDLL A(x)"};
  for (int i = 0; i < 200; ++i) {
    tweak::insert_after(ix, 0, {"l" + std::to_string(i)});
    expected.insert(expected.begin() + 1, "l" + std::to_string(i));
  }
  expected.push_back("EndProcedure");
  EXPECT_EQ(tweak::end_after(ix, 0), 1u);
  EXPECT_EQ(tweak::first_header(ix, tweak::name_id(ix, "A")), 0u);
  tweak::write_back(ix, s);
  EXPECT_EQ(s.lines, expected);
}

}  // namespace
}  // namespace lh
