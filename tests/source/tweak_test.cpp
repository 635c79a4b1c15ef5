#include "source/tweak.h"

#include <gtest/gtest.h>

#include "source/tweak_reference.h"

namespace lh {
namespace {

using Lines = std::vector<std::string>;

// The table the splitter would build: one record per header, in order.
void table_from(const Lines& lines, ProcedureTable& table) {
  for (const std::string& line : lines) {
    ExportHeader h;
    if (parse_export_header(line, &h))
      append_record(table, {kExportedProcedure, h.return_suffix, h.name, h.parameters, h.description});
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
  Lines out = tweak_all({"ProcedureDLL.l Sum(a.l, b.l = 1, c.l = 2) ; Adds numbers", "  ProcedureReturn a + b + c",
                         "EndProcedure", "x = Sum(4)", "x=Sum(4)"});
  EXPECT_EQ(out, (Lines{"Declare.l Sum3(a.l, b.l , c.l )",
                        "",
                        "ProcedureDll.l Sum(a.l) ; Adds numbers",
                        "  ProcedureReturn Sum3(a.l, 1, 2)",
                        "EndProcedure",
                        "",
                        "ProcedureDll.l Sum2(a.l, b.l ) ; Adds numbers",
                        "  ProcedureReturn Sum3(a.l, b.l , 2)",
                        "EndProcedure",
                        "",
                        "ProcedureDll.l Sum3(a.l, b.l , c.l ) ; Adds numbers",
                        "  ProcedureReturn a + b + c",
                        "EndProcedure",
                        "x = Sum3(4)",
                        "x=Sum(4)"}));
}

TEST(TweakedSource, StringProceduresWorkedExample) {
  Lines out = tweak_all({"ProcedureDLL.s Greet(who.s) ; Says hello", "  ProcedureReturn Left(who, 3)", "EndProcedure",
                         "ProcedureDLL.s Twice(who.s) ; Greets twice",
                         "  ProcedureReturn Greet(who) + Greet(who)", "EndProcedure"});
  EXPECT_EQ(out, (Lines{"Procedure.s Greet_internal(who.s)",
                        "  ProcedureReturn Left(who, 3)",
                        "EndProcedure",
                        "",
                        "ProcedureDLL.s Greet(who.s) ; Says hello",
                        "  ProcedureReturn Left(who, 3)",
                        "EndProcedure",
                        "Procedure.s Twice_internal(who.s)",
                        "  ProcedureReturn Greet_internal(who) + Greet_internal(who)",
                        "EndProcedure",
                        "",
                        "ProcedureDLL.s Twice(who.s) ; Greets twice",
                        "  ProcedureReturn Greet_internal(who) + Greet_internal(who)",
                        "EndProcedure"}));
}

TEST(TweakedSource, WhichCallsAreSentToTheInternalCopy) {
  Lines out = tweak_all({"ProcedureDLL.s Greet(a.s)", "EndProcedure", "x$=Greet(a)", "x$ = s$+Greet(a)",
                         "x$ = Trim(Greet(a))", "f(1,Greet(a))", "MyGreet(a)", "\tGreet(a) : Greet(b)",
                         "  procedureDLL.S Other(x = Greet(a))"});
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
  EXPECT_EQ(out, (Lines{"Declare Foo3(a,b)", "", "ProcedureDll Foo() ; ", "  ProcedureReturn Foo3(1,2)", "EndProcedure",
                        "", "ProcedureDll Foo2(a) ; ", "  ProcedureReturn Foo3(a,2)", "EndProcedure", "",
                        "ProcedureDll Foo3(a,b) ; ", "EndProcedure", "Declare Bar2(x, y)", "",
                        "ProcedureDll Bar(x) ; two", "  ProcedureReturn Bar2(x,7)", "EndProcedure", "",
                        "ProcedureDll Bar2(x, y) ; two", "  Foo3(x) : Foo3(y)", "EndProcedure"}));
}

// An end line may carry a comment; the search must not run on to a later
// procedure's end line and swallow everything in between.
TEST(TweakedSource, EndLineWithACommentEndsTheProcedure) {
  Lines out = tweak_all({"ProcedureDLL.s G(a = 1)", "  ProcedureReturn \"\"", "  endprocedure ; done",
                         "Procedure Keep()", "EndProcedure"});
  EXPECT_EQ(out, (Lines{"Procedure.s G_internal(a = 1)", "  ProcedureReturn \"\"", "  endprocedure ; done", "",
                        "Declare.s G2(a )", "", "ProcedureDll.s G() ; ", "  ProcedureReturn G2( 1)", "EndProcedure",
                        "", "ProcedureDll.s G2(a ) ; ", "  ProcedureReturn \"\"", "  endprocedure ; done",
                        "Procedure Keep()", "EndProcedure"}));
  EXPECT_FALSE(is_end_line("EndProcedure : x = 1"));
  EXPECT_FALSE(is_end_line("EndProcedures"));
  EXPECT_TRUE(is_end_line("\tEndProcedure\t"));
}

TEST(TweakedSource, HeaderWithoutEndLineStaysAsWritten) {
  Lines in{"Procedure Before()", "EndProcedure", "ProcedureDLL.s Open(a = 1)", "  ProcedureReturn \"\"",
           "x = Open(1)"};
  // No copy and no variants, so its calls are not sent to either.
  EXPECT_EQ(tweak_all(in), in);
}

TEST(TweakedSource, BodyComesFromTheSourceNotFromPieceFiles) {
  // A no-source marker inside the body is an ordinary comment line here.
  Lines out = tweak_all({"ProcedureDLL.s P(a.s)", "  x = 1", ";/nosource", "  ;// doc", "  ProcedureReturn a",
                         "EndProcedure"});
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
  Lines out = tweak_all({"ProcedureDLL Sum(a, b = 1)", "EndProcedure", "ProcedureDLL Bar(c = 2)", " Sum(c)",
                         "EndProcedure"});
  EXPECT_EQ(out.back(), "EndProcedure");
  EXPECT_EQ(out[out.size() - 2], " Sum2(c)");
}

TEST(TweakedSource, RedirectToFullVariantLeavesGeneratedHeadersAlone) {
  SourceLines s{{"ProcedureDll Sum(a) ; x", "ProcedureDLL Sum(a)", "Sum(1) Sum(2)+Sum(3)", "\tSum(1)"}, -1};
  redirect_calls_to_full_variant(s, "Sum", 12);
  EXPECT_EQ(s.lines, (Lines{"ProcedureDll Sum(a) ; x", "ProcedureDLL Sum12(a)", "Sum12(1) Sum12(2)+Sum(3)",
                            "\tSum12(1)"}));
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
  append_record(table, {kExportedProcedure, "", "A", "x", ""});
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
