#include "source/splitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>

#include "source/entry_name.h"
#include "source/line_reader.h"
#include "work_folder.h"

namespace lh {
namespace {

using testing::folder_files;
using testing::ScratchFolder;
using Files = std::map<std::string, std::string>;

std::string lines(std::initializer_list<std::string_view> ls) {
  std::string out;
  for (std::string_view l : ls) {
    out += l;
    out += "\r\n";
  }
  return out;
}

// One split of a source text into a fresh work folder.
struct SplitRun {
  ScratchFolder scratch{"split"};
  std::string work = scratch.sub("work");
  std::string source = scratch.path() + "Lib.pb";
  ManualModel model;
  ContentsRegister& reg = model.contents;
  Files files;

  // The work folder's files so far are those the include folder brought.
  void run(std::string_view text, const std::string& library = "Lib") {
    platform::write_file(source, text);
    split_source(platform::real_file_system(), source, work, library, testing::brought_files(work), model);
    files = folder_files(work);
    EXPECT_EQ(testing::model_differs_from_folder(model, work), "");
  }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& r : model.table.records) out.push_back(r.name);
    return out;
  }
  std::vector<EntryKind> kinds() const {
    std::vector<EntryKind> out;
    for (const auto& r : model.table.records) out.push_back(r.kind);
    return out;
  }
};

TEST(LineReader, EveryLineEndAndNoExtraLastLine) {
  using V = std::vector<std::string>;
  EXPECT_EQ(split_lines(""), V{});
  EXPECT_EQ(split_lines("a"), V{"a"});
  EXPECT_EQ(split_lines("a\r\n"), V{"a"});
  EXPECT_EQ(split_lines("\r\n"), V{""});
  EXPECT_EQ(split_lines("a\r\nb\nc\rd"), (V{"a", "b", "c", "d"}));
  EXPECT_EQ(split_lines("a\n\rb"), (V{"a", "", "b"}));  // LF CR is two line ends
  EXPECT_EQ(split_lines("a\r\r\nb\n\n"), (V{"a", "", "b", ""}));
  EXPECT_EQ(split_lines(std::string_view("a\0b\0", 4)), (V{"a", "b"}));
  EXPECT_EQ(split_lines(std::string_view("\r\0", 2)), (V{"", ""}));
  EXPECT_EQ(split_lines("x\ty \x80\xff"), V{"x\ty \x80\xff"});  // not decoded
  std::string longline(100000, 'x');
  EXPECT_EQ(split_lines(longline + "\n"), V{longline});
}

TEST(Splitter, PlainSourcePassesThroughWithoutPieceFiles) {
  SplitRun s;
  s.run("; a comment\r\nProcedure Foo()\nEndProcedure\rDebug 1");
  EXPECT_EQ(s.model.lines.lines,
            (std::vector<std::string>{"; a comment", "Procedure Foo()", "EndProcedure", "Debug 1"}));
  EXPECT_EQ(s.model.lines.current, 3);
  EXPECT_TRUE(s.model.table.records.empty());
  EXPECT_EQ(s.model.exported_count, 0);
  EXPECT_EQ(s.model.library_version, "");
  EXPECT_TRUE(s.files.empty());
}

TEST(Splitter, MissingSourceGivesAnEmptySplit) {
  SplitRun s;
  split_source(platform::real_file_system(), s.scratch.path() + "nowhere.pb", s.work, "Lib", {}, s.model);
  EXPECT_TRUE(s.model.lines.lines.empty());
  EXPECT_TRUE(folder_files(s.work).empty());
}

TEST(Splitter, LibraryVersionLines) {
  SplitRun s;
  s.run(lines({"#LIBRARY_VERSION=1.0"}), "My");
  EXPECT_EQ(s.model.library_version, "1.0");
  EXPECT_EQ(s.files, (Files{{"My.ver", "My\r\n1.0\r\n"}}));

  SplitRun q;
  q.run(lines({"  #LIBRARY_VERSION = \"2\" ; first", "#library_version = 9", "#LIBRARY_VERSION = \"3\" = x"}));
  EXPECT_EQ(q.model.library_version, " 3 ");  // the last recognised line, up to its second "="
  EXPECT_EQ(q.files["Lib.ver"], "Lib\r\n 3 \r\n");

  SplitRun none;
  none.run(lines({"#LIBRARY_VERSION"}));
  EXPECT_EQ(none.model.library_version, "");
  EXPECT_EQ(none.files["Lib.ver"], "Lib\r\n\r\n");
}

TEST(Splitter, VersionFileReplacesOneTheIncludeFolderBrought) {
  SplitRun s;
  platform::write_file(s.work + "Lib.ver", "old\r\nold\r\nlonger than the new one\r\n");
  platform::write_file(s.work + "Lib.txt", "brought\r\n");
  s.run(lines({"#LIBRARY_VERSION = \"1.1\"", ";->Lib more"}));
  EXPECT_EQ(s.files["Lib.ver"], "Lib\r\n 1.1\r\n");
  EXPECT_EQ(s.files["Lib.txt"], "brought\r\nmore\r\n");  // appended to, not replaced
}

TEST(Splitter, DescriptionLines) {
  SplitRun s;
  s.run(lines({";->Name first text", "  ;->Name more text  ", ";->Solo", ";-> Spaced text", ";->"}));
  EXPECT_EQ(s.names(), (std::vector<std::string>{"Name", "Solo", ""}));
  EXPECT_EQ(s.kinds(), (std::vector<EntryKind>(3, EntryKind::kTextOnly)));
  EXPECT_EQ(s.files["Name.txt"], "first text\r\nmore text\r\n");
  EXPECT_EQ(s.files["Solo.txt"], "\r\n");
  EXPECT_EQ(s.files[".txt"], "Spaced text\r\n\r\n");
}

TEST(Splitter, DescriptionOfAKnownEntryMovesTheCursor) {
  SplitRun s;
  s.run(lines({"ProcedureDLL A()", "EndProcedure", "ProcedureDLL B()", "EndProcedure", ";->A told about A",
               ";//still B's", ";{//Page", "ProcedureDLL C()", "EndProcedure"}));
  // The lookup of A left A current, so the page and C follow A; the current
  // name stayed B, so the ";//" line went to B.
  EXPECT_EQ(s.names(), (std::vector<std::string>{"A", "Page", "C", "B"}));
  EXPECT_EQ(s.files["A.txt"], "told about A\r\n");
  EXPECT_EQ(s.files["B.txt"], ";//still B's\r\n");
}

TEST(Splitter, NewDescriptionEntryClearsTheCurrentName) {
  SplitRun s;
  s.run(lines({"ProcedureDLL A()", ";->Group intro", ";// to the empty name", ";{/* Title", "; x", ";}", ";{//Page",
               ";// page doc"}));
  EXPECT_EQ(s.files[".txt"], ";// to the empty name\r\n");
  EXPECT_EQ(s.files["Group.exd"], "Title\r\n");  // examples go to the description name
  EXPECT_EQ(s.files["Group.ex"], "x\r\n");
  EXPECT_EQ(s.files["Page.txt"], ";// page doc\r\n");
}

TEST(Splitter, PageMarkers) {
  SplitRun s;
  std::string long_title(1200, 't');
  s.run(lines({";{// Intro ", ";// a", ";{//Intro", ";// b", ";{// Intro", "  ;{//" + long_title, "\t;{//Tabbed",
               ";{//", ";// c"}));
  EXPECT_EQ(s.names(), (std::vector<std::string>{" Intro", "Intro", " Intro", std::string(1000, 't'), ""}));
  EXPECT_EQ(s.kinds(), (std::vector<EntryKind>(5, EntryKind::kPage)));
  EXPECT_EQ(s.files[" Intro.txt"], ";// a\r\n");
  EXPECT_EQ(s.files["Intro.txt"], ";// b\r\n");
  EXPECT_EQ(s.files[".txt"], ";// c\r\n");
  EXPECT_EQ(contents_top_level_keys(s.reg),
            (std::vector<std::string>{" Intro", "Intro", long_title.substr(0, 1000), ""}));
}

TEST(Splitter, ExportedProcedureHeadersAndTheirCode) {
  SplitRun s;
  s.run(lines({"ProcedureDLL.s Foo(a.s, b.l = 1) ; Joins", "  ;// doc of Foo", "  x = 1 ;// not a doc line",
               "EndProcedure ; done", "  y = 2", " endprocedure  ", "after", "\tProcedureDLL Tabbed()",
               "procedureDLL.S Foo(x)", "ProcedureCDLL NotMine()", "EndProcedure"}));
  EXPECT_EQ(s.model.exported_count, 2);
  ASSERT_EQ(s.model.table.records.size(), 2u);
  const ProcedureRecord& r = s.model.table.records.front();
  EXPECT_EQ(r.kind, EntryKind::kExportedProcedure);
  EXPECT_EQ(r.return_suffix, ".s");
  EXPECT_EQ(r.parameters, "a.s, b.l = 1");
  EXPECT_EQ(r.description, "Joins");
  EXPECT_EQ(s.model.table.records.back().return_suffix, ".S");
  // Both Foo share one ".cod" and one ".txt"; "EndProcedure ; done" did not
  // end the first one's code.
  EXPECT_EQ(s.files["Foo.cod"],
            lines({"ProcedureDLL.s Foo(a.s, b.l = 1) ; Joins", "  x = 1 ;// not a doc line", "EndProcedure ; done",
                   "  y = 2", " endprocedure  ", "procedureDLL.S Foo(x)", "ProcedureCDLL NotMine()", "EndProcedure"}));
  EXPECT_EQ(s.files["Foo.txt"], "  ;// doc of Foo\r\n");
  EXPECT_EQ(s.files.count("Tabbed.cod"), 0u);
}

TEST(Splitter, HeaderWithoutEndCollectsUntilTheNextHeader) {
  SplitRun s;
  s.run(lines({"ProcedureDLL A()", "  a", "ProcedureDLL B()", "  b", "EndProcedure", "tail"}));
  EXPECT_EQ(s.files["A.cod"], lines({"ProcedureDLL A()", "  a"}));
  EXPECT_EQ(s.files["B.cod"], lines({"ProcedureDLL B()", "  b", "EndProcedure"}));
}

TEST(Splitter, DocLinesBeforeAHeaderBelongToThePreviousEntry) {
  SplitRun s;
  s.run(lines(
      {";{//Title", ";// about the title", ";// about Next, but too early", "ProcedureDLL Next()", "EndProcedure"}));
  EXPECT_EQ(s.files["Title.txt"], lines({";// about the title", ";// about Next, but too early"}));
  EXPECT_EQ(s.files.count("Next.txt"), 0u);
}

TEST(Splitter, ResidentLines) {
  SplitRun s;
  s.run(lines({"Structure Point ;//Resident", "#A = 1 ;//resident note", "#B = 2 ;//RESIDENT   ", ";//resident",
               "ProcedureDLL P()", "  #C = 3 ;//resident", "EndProcedure", "x;//resident\t"}));
  EXPECT_EQ(s.files["Resident.pb"],
            lines({"Structure Point ;//Resident", "#B = 2 ;//RESIDENT   ", ";//resident", "  #C = 3 ;//resident"}));
  EXPECT_EQ(s.files["P.cod"], lines({"ProcedureDLL P()", "  #C = 3 ;//resident", "EndProcedure"}));
  EXPECT_EQ(s.files[".txt"], ";//resident\r\n");  // a ";//" line is a doc line too
}

TEST(Splitter, ExampleBlocks) {
  SplitRun s;
  s.run(lines({";}", "ProcedureDLL P()", "  ;{/* Sorting a list", "; OpenConsole()", "  ; x = 1", "no semicolon",
               " a;b;c", ";} end of demo", ";}", ";{/*Demo sorting", ";}", ";{/*Word", "  ;}  ", "EndProcedure"}));
  EXPECT_EQ(s.files["P.exd"], lines({"Sorting a list", "sorting", "Word"}));
  EXPECT_EQ(s.files["P.ex"], lines({"OpenConsole()", "  x = 1", "no semicolon", "ab;c", "} end of demo"}));
  // Inside the body the example lines are code lines too.
  EXPECT_NE(s.files["P.cod"].find("  ;{/* Sorting a list\r\n; OpenConsole()\r\n"), std::string::npos);
}

TEST(Splitter, UnclosedExampleFollowsTheCurrentName) {
  SplitRun s;
  s.run(lines({";{//One", ";{/* T", "; a", ";{//Two", "; b"}));
  EXPECT_EQ(s.files["One.exd"], "T\r\n");
  // The page marker line is example code too; the page rule has already made
  // Two current when the example rule writes it.
  EXPECT_EQ(s.files["One.ex"], "a\r\n");
  EXPECT_EQ(s.files["Two.ex"], lines({"{//Two", "b"}));
}

TEST(Splitter, NoSourceSwitch) {
  SplitRun s;
  platform::write_file(s.work + "Kept.cod", "brought\r\n");
  platform::write_file(s.work + "Gone.cod", "brought\r\n");
  s.run(lines({"ProcedureDLL Gone()", "  a", "EndProcedure", ";/NoSource", "ProcedureDLL Half()", "  secret",
               "  ;/nosource here", "  public", "EndProcedure", ";{//NoCode", ";/nosource", ";//doc"}));
  EXPECT_EQ(s.files.count("Gone.cod"), 0u);
  EXPECT_EQ(s.files["Half.cod"], lines({"  public", "EndProcedure"}));
  EXPECT_EQ(s.files["Kept.cod"], "brought\r\n");
  EXPECT_EQ(s.files["NoCode.txt"], ";//doc\r\n");
  EXPECT_EQ(s.files.count("NoCode.cod"), 0u);
}

TEST(Splitter, NoSourceThenMoreLinesRecreateTheFile) {
  SplitRun s;
  platform::write_file(s.work + "P.cod", "brought\r\n");
  s.run(lines({"ProcedureDLL P()", ";/nosource", "  body", "EndProcedure", "ProcedureDLL P()", "EndProcedure"}));
  EXPECT_EQ(s.files["P.cod"], lines({"  body", "EndProcedure", "ProcedureDLL P()", "EndProcedure"}));
}

// The layouts that combine several rules.
TEST(Splitter, CommonLayouts) {
  SplitRun s;
  s.run(lines({";->Strings Commands for strings", ";{//Overview", ";// the overview",
               "ProcedureDLL.s Twice(t.s) ; Doubles", "  ;// doc", "  r.s = t + t ;//resident", "  ;{/* Title",
               "  ; Debug Twice(\"a\")", "  ;}", "  ProcedureReturn r", "EndProcedure", ";{/* After", "; code after",
               ";}", ";->Twice more about it"}));
  EXPECT_EQ(s.names(), (std::vector<std::string>{"Strings", "Overview", "Twice"}));
  EXPECT_EQ(s.kinds(), (std::vector<EntryKind>{EntryKind::kTextOnly, EntryKind::kPage, EntryKind::kExportedProcedure}));
  EXPECT_EQ(s.files["Strings.txt"], "Commands for strings\r\n");
  EXPECT_EQ(s.files["Overview.txt"], ";// the overview\r\n");
  EXPECT_EQ(s.files["Twice.txt"], "  ;// doc\r\nmore about it\r\n");
  EXPECT_EQ(s.files["Twice.cod"],
            lines({"ProcedureDLL.s Twice(t.s) ; Doubles", "  r.s = t + t ;//resident", "  ;{/* Title",
                   "  ; Debug Twice(\"a\")", "  ;}", "  ProcedureReturn r", "EndProcedure"}));
  EXPECT_EQ(s.files["Twice.exd"], lines({"Title", "After"}));
  EXPECT_EQ(s.files["Twice.ex"], lines({"  Debug Twice(\"a\")", "code after"}));
  EXPECT_EQ(s.files["Resident.pb"], "  r.s = t + t ;//resident\r\n");
  EXPECT_EQ(s.files["chm.ini"], "[Strings]\r\nOverview = 1\r\nTwice = 1\r\n");
}

TEST(Splitter, ByteOrderMarkHidesAMarkerOnTheFirstLine) {
  SplitRun s;
  s.run("\xEF\xBB\xBF;{//First\r\n;{//Second\r\n");
  EXPECT_EQ(s.model.lines.lines[0], "\xEF\xBB\xBF;{//First");
  EXPECT_EQ(s.names(), std::vector<std::string>{"Second"});
}

TEST(Splitter, RegistersUnderTheDescriptionName) {
  SplitRun s;
  platform::write_file(s.work + "chm.ini", "Brought = 1\r\n[Strings]\r\nOld = 1\r\n");
  s.run(lines({";{//Early", "ProcedureDLL Top()", ";->strings", ";{//Page", "ProcedureDLL top()"}));
  EXPECT_EQ(s.files["chm.ini"],
            "Brought = 1\r\nEarly = 1\r\nTop = 1\r\n[Strings]\r\nOld = 1\r\nPage = 1\r\ntop = 1\r\n");
}

TEST(Splitter, UnsafeNamesNeverBecomeFiles) {
  ScratchFolder outside("outside");
  SplitRun s;
  std::string victim = s.scratch.path() + "victim.cod";
  platform::write_file(victim, "keep\r\n");
  const char* bad[] = {"..\\..\\x", "../x", "..",  ".",   "a:b", "a*b",       "a?b",
                       "a\"b",      "a<b",  "a>b", "a|b", "a/b", "tab\there", "\x01"};
  std::string text;
  for (const char* name : bad) {
    text += std::string(";{//") + name + "\r\n;// doc\r\n;{/* t\r\n; ex\r\n;}\r\n;/nosource\r\n";
    text += std::string("ProcedureDLL.l ") + name + "()\r\n  body\r\nEndProcedure\r\n;->" + name + " text\r\n";
  }
  text += ";{//../victim\r\n;/nosource\r\n";
  s.run(text);
  EXPECT_EQ(s.files, (Files{{"chm.ini", s.files["chm.ini"]}}));
  EXPECT_EQ(folder_files(s.scratch.path()), (Files{{"Lib.pb", text}, {"victim.cod", "keep\r\n"}}));
  // Records and register entries are still made.
  EXPECT_EQ(s.model.exported_count, 14);
  EXPECT_EQ(s.model.table.records.size(), 14u * 2 + 1);
  size_t keys = 0;
  for (const ContentsGroup& g : s.reg.groups) keys += g.keys.size();
  EXPECT_EQ(keys, 15u);
  EXPECT_EQ(format_contents_register(read_contents_register(platform::real_file_system(), s.work)),
            format_contents_register(s.reg));
}

TEST(Splitter, SafeNamesIncludeSpacesDotsAndHighBytes) {
  EXPECT_TRUE(is_safe_entry_name(""));
  EXPECT_TRUE(is_safe_entry_name(" Intro"));
  EXPECT_TRUE(is_safe_entry_name("..."));
  EXPECT_TRUE(is_safe_entry_name("a.b"));
  EXPECT_TRUE(is_safe_entry_name("\xC4nderung"));
  EXPECT_FALSE(is_safe_entry_name("a\x1f"));
  EXPECT_FALSE(is_safe_entry_name(".."));
}

TEST(Splitter, LetterCaseOfFileNamesFollowsTheFileSystem) {
  SplitRun s;
  platform::write_file(s.work + "Foo.cod", "brought\r\n");
  s.run(lines({";{//Foo", ";// a", ";{//FOO", ";// b", ";{//foo", ";/nosource", "ProcedureDLL FOO()", "EndProcedure"}));
  if (platform::names_fold_case()) {
    // One file each: the first spelling names the ".txt"; the ".cod" was
    // deleted and created again under the header's spelling.
    EXPECT_EQ(s.files, (Files{{"Foo.txt", lines({";// a", ";// b"})},
                              {"FOO.cod", lines({"ProcedureDLL FOO()", "EndProcedure"})},
                              {"chm.ini", s.files["chm.ini"]}}));
  } else {
    EXPECT_EQ(s.files["Foo.txt"], ";// a\r\n");
    EXPECT_EQ(s.files["FOO.txt"], ";// b\r\n");
    EXPECT_EQ(s.files["Foo.cod"], "brought\r\n");
    EXPECT_EQ(s.files["FOO.cod"], lines({"ProcedureDLL FOO()", "EndProcedure"}));
  }
}

// The bundled example library uses every marker; its split is what its
// manual and the demo rely on.
TEST(Splitter, TheExampleLibrary) {
  SplitRun s;
  std::string text;
  ASSERT_TRUE(platform::read_file(LH_TEST_DATA "/../../examples/StringTools/StringTools.pb", text));
  platform::write_file(s.work + "StrPadLeft.nfo", "brought\r\n");
  s.run(text, "StringTools");
  EXPECT_EQ(s.model.library_version, "1.2");
  EXPECT_EQ(s.model.exported_count, 13);
  EXPECT_EQ(s.names().front(), "Introduction");
  EXPECT_EQ(s.kinds().front(), EntryKind::kPage);
  std::vector<EntryKind> kinds = s.kinds();
  EXPECT_EQ(std::count(kinds.begin(), kinds.end(), EntryKind::kTextOnly), 4);  // Index, Padding, Words, Tests
  EXPECT_EQ(s.files["StringTools.ver"], "StringTools\r\n1.2\r\n");
  EXPECT_EQ(s.files.count("StrToolsVersion.cod"), 0u);
  EXPECT_EQ(s.files["StrPadLeft.exd"], "Leading zeros\r\n");
  EXPECT_EQ(s.files["StrReverseWords.exd"], "Reversing a sentence\r\n");
  EXPECT_EQ(s.files["StrPadLeft.nfo"], "brought\r\n");
  EXPECT_NE(s.files["Resident.pb"].find("EndStructure ;//resident"), std::string::npos);
  EXPECT_EQ(contents_top_level_keys(s.reg), std::vector<std::string>{"Introduction"});
  EXPECT_EQ(contents_groups(s.reg), (std::vector<std::string>{"Padding", "Words", "Tests"}));
  EXPECT_EQ(contents_group_keys(s.reg, "Tests"),
            (std::vector<std::string>{"StrStartsWith", "StrEndsWith", "StrIsBlank", "StrToolsVersion"}));
}

}  // namespace
}  // namespace lh
