// Pages of the manual: the exact lines of each kind of page, the warning
// rules, escaping, the links of text-only entries, example then source.
#include <gtest/gtest.h>

#include "help/function_pages.h"
#include "help/help_project.h"
#include "help/warning_image.h"
#include "help_fixture.h"
#include "platform/memory_file_system.h"
#include "source/contents_register.h"
#include "source/manual_model.h"
#include "source/splitter.h"
#include "source/work_folder.h"

// The benchmark's generator of realistic libraries, built into this test
// program so that it runs on both targets.
#include "../bench/gen/library_generator.cpp"  // NOLINT(bugprone-suspicious-include): bench/ is not built for Windows

namespace lh {
namespace {

using test::record;
using Lines = std::vector<std::string>;

std::string open1(const std::string& title) {
  return "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\"><HTML><HEAD><TITLE>" + title + "</TITLE></HEAD>";
}
const std::string kOpen2 = "<BODY BGCOLOR=\"#FFFFDF\" LINK=\"#009999\" VLINK=\"#006666\" ALINK=\"#006666\">";
const std::string kTitle = "<FONT FACE=\"Arial\" size=\"2\"><P ALIGN=\"CENTER\"><B><FONT size=\"4\">";
const std::string kTable =
    "<TABLE BORDER=\"1\" BGCOLOR=\"#FFFFEF\" BORDERCOLOR=\"#FFFFCF\" CELLSPACING=\"0\" CELLPADDING=\"10\" "
    "BORDERCOLORLIGHT=\"#FFFFEF\" BORDERCOLORDARK=\"#FFFFAF\">";
const std::string kRow = "<TR><TD WIDTH=\"100%\"><PRE><FONT FACE=\"Courier New, Courier, mono\" SIZE=\"2\">";
const std::string kTableEnd = "</FONT></PRE></TD></TR></TABLE>";
const std::string kWarning =
    "<BR><IMG SRC=\"Warning.gif\"><font Color=\"#FF0000\"><b> NEVER PASS A FUNCTION AS STRING PARAMETER !</b></font>";
const std::string kEnd = "</P></FONT></BODY></HTML>";

// The files a test puts into the folder stand for what the include folder
// brought: they are the entries' pieces and the register.
class Pages : public test::WorkFolder {
 protected:
  void build() {
    ManualEntries entries = folder_entries();
    prepare_warnings(fs_, folder_, table_, entries);
    write_function_pages(fs_, folder_, table_, entries, read_contents_register(fs_, folder_), linked_highlighter());
  }
  void pages_only(const ProcedureTable& table) {
    write_function_pages(fs_, folder_, table, folder_entries(), read_contents_register(fs_, folder_),
                         linked_highlighter());
  }
  ManualEntries folder_entries() {
    ManualModel model;
    model.entries.fold_case = fs_.names_fold_case();
    take_work_files(model, lh::testing::brought_files(folder_));
    return std::move(model.entries);
  }
  platform::FileSystem& fs_ = platform::real_file_system();
  ProcedureTable table_;
  TableCursor cursor_;
};

TEST_F(Pages, BarePageEntryHasSixLines) {
  append_record(table_, cursor_, record(EntryKind::kPage, "Intro"));
  build();
  std::string page = get("Intro.html");
  EXPECT_TRUE(test::all_crlf(page));
  EXPECT_EQ(split_lines(page),
            (Lines{open1("Intro"), kOpen2, kTitle + "Intro</FONT></B>", "<BR><HR><BR>", "<BR><HR>", kEnd}));
}

// The TITLE reads back as the name; the title line of the body stays unescaped.
TEST_F(Pages, TitleEscapesTheAmpersand) {
  append_record(table_, cursor_, record(EntryKind::kPage, "Salt & Pepper"));
  build();
  EXPECT_EQ(split_lines(get("Salt & Pepper.html")),
            (Lines{open1("Salt &amp; Pepper"), kOpen2, kTitle + "Salt & Pepper</FONT></B>", "<BR><HR><BR>", "<BR><HR>",
                   kEnd}));
}

TEST_F(Pages, StringCommandWithStringParameterShowsTheWarning) {
  append_record(table_, cursor_, record(EntryKind::kExportedProcedure, "Upper", ".s", "text.s"));
  build();
  EXPECT_EQ(platform::file_size(folder_ + "Upper.warn"), 0);
  EXPECT_EQ(lines("Upper.html"), (Lines{open1("Upper"), kOpen2, kTitle + "Upper.s(text.s)</FONT></B>", "<BR><HR><BR>",
                                        kWarning, "<BR><HR>", kEnd}));
  EXPECT_EQ(get("Warning.gif"), warning_image());
}

TEST_F(Pages, WarningOnlyForStringCommandsWithAStringParameter) {
  append_record(table_, cursor_, record(EntryKind::kExportedProcedure, "Long", ".l", "text.s"));
  append_record(table_, cursor_, record(EntryKind::kExportedProcedure, "Blank", ".s", "text.s , n.l"));
  append_record(table_, cursor_, record(EntryKind::kExportedProcedure, "AfterGap", ".s", "a.l,,text.s"));
  append_record(table_, cursor_, record(EntryKind::kExportedProcedure, "Upper", ".S", "text.s"));
  append_record(table_, cursor_, record(EntryKind::kExportedProcedure, "Second", ".s", "n.l, b.s=\"x\""));
  build();
  for (const char* name : {"Long", "Blank", "AfterGap", "Upper"})
    EXPECT_FALSE(has(std::string(name) + ".warn")) << name;
  EXPECT_TRUE(has("Second.warn"));
  // A marker of another size (brought by the include folder) shows nothing.
  put("Long.warn", "x");
  pages_only(table_);
  EXPECT_EQ(get("Long.html").find("Warning.gif"), std::string::npos);
}

TEST_F(Pages, CommandPageDescriptionBodyAndEscaping) {
  append_record(table_, cursor_, record(EntryKind::kExportedProcedure, "Cmp", ".l", "a.l, b.l", "a<>b & more"));
  put("Cmp.txt", "  ;// x <> y & z\r\n;//\r\nab\r\nadded by a description line\r\n\t;//tab\r\n");
  build();
  EXPECT_EQ(lines("Cmp.html"), (Lines{open1("Cmp"), kOpen2, kTitle + "Cmp.l(a.l, b.l)</FONT></B>", "<BR><HR><BR>",
                                      "<B>Description : </B>a&lt;&gt;b & more<br>", " x &lt;&gt; y & z<br>", "<br>",
                                      "ab<br>", "added by a description line<br>", "\t;//tab<br>", "<BR><HR>", kEnd}));
}

TEST_F(Pages, TextOnlyEntryKeepsItsTextAndLinksItsGroup) {
  append_record(table_, cursor_, record(EntryKind::kTextOnly, "Strings"));
  append_record(table_, cursor_, record(EntryKind::kTextOnly, "Empty"));
  append_record(table_, cursor_, record(EntryKind::kExportedProcedure, "Upper", ".s", "text.s"));
  append_record(table_, cursor_, record(EntryKind::kPage, " About"));
  put("Strings.txt", ";// kept <> as is\r\n");
  ContentsRegister reg;
  register_contents_entry(reg, "Strings", "Upper");
  register_contents_entry(reg, "Strings", " About");
  register_contents_entry(reg, "strings2", "Other");
  ASSERT_TRUE(write_contents_register(fs_, folder_, reg));
  build();
  EXPECT_EQ(lines("Strings.html"),
            (Lines{open1("Strings"), kOpen2, kTitle + "Strings</FONT></B>", "<BR><HR><BR>",
                   ";// kept &lt;&gt; as is<br>", "<BR><HR>", "<BR>", "<LI><A href=\"Upper.html\">Upper</A><BR>",
                   "<LI><A href=\" About.html\"> About</A><BR>", "<BR><HR>", kEnd}));
  EXPECT_EQ(lines("Empty.html"), (Lines{open1("Empty"), kOpen2, kTitle + "Empty</FONT></B>", "<BR><HR><BR>", "<BR><HR>",
                                        "<BR>", "<BR><HR>", kEnd}));
  // Group names are matched exactly: "strings" is no group of "Strings".
  ProcedureTable lower;
  TableCursor lower_cursor;
  append_record(lower, lower_cursor, record(EntryKind::kTextOnly, "strings"));
  pages_only(lower);
  EXPECT_EQ(get("strings.html").find("<LI>"), std::string::npos);
}

TEST_F(Pages, ExampleThenSourceInColour) {
  append_record(table_, cursor_, record(EntryKind::kExportedProcedure, "Twice", ".l", "n.l"));
  put("Twice.ex", "Debug Twice(2) ; <> 4\r\n");
  put("Twice.exd", "Doubling\r\nsecond title line\r\nthird\r\n");
  put("Twice.cod", "ProcedureDLL.l Twice(n.l)\r\nEndProcedure\r\n");
  put("Twice.nfo", "a <> b\r\n");
  build();
  const std::string f = "<font color=#";
  EXPECT_EQ(lines("Twice.html"), (Lines{open1("Twice"),
                                        kOpen2,
                                        kTitle + "Twice.l(n.l)</FONT></B>",
                                        "<BR><HR><BR>",
                                        kTable,
                                        kRow,
                                        "a &lt;&gt; b",
                                        kTableEnd,
                                        "<BR><HR>",
                                        "<BR><B>Exemple : </B>",
                                        "Doubling",
                                        kTable,
                                        kRow,
                                        "Debug " + f + "924B72>Twice</font>" + f + "0000FF>(</font>2" + f +
                                            "0000FF>)</font> " + f + "0000FF>; &lt;&gt; 4",
                                        "</font>",
                                        kTableEnd,
                                        "<BR><HR>",
                                        "<BR><B>Source : </B>" + kTable,
                                        kRow,
                                        "ProcedureDLL" + f + "0000FF>.</font>l " + f + "924B72>Twice</font>" + f +
                                            "0000FF>(</font>n" + f + "0000FF>.</font>l" + f + "0000FF>)</font>",
                                        "EndProcedure",
                                        kTableEnd,
                                        kEnd}));
  // The coloured file holds the source after both colourings.
  EXPECT_EQ(get("Twice.col").substr(0, 12), "ProcedureDLL");
}

TEST_F(Pages, SourceOnlyEmptyExampleAndMissingTitle) {
  append_record(table_, cursor_, record(EntryKind::kPage, "Code"));
  put("Code.cod", "a <> b\r\n");
  append_record(table_, cursor_, record(EntryKind::kPage, "Demo"));
  put("Demo.ex", "");
  put("Demo.exd", "");
  build();
  const std::string op = "<font color=#006666>";
  EXPECT_EQ(lines("Code.html"), (Lines{open1("Code"), kOpen2, kTitle + "Code</FONT></B>", "<BR><HR><BR>", "<BR><HR>",
                                       "<BR><B>Source : </B>" + kTable, kRow,
                                       "a " + op + "<</font>" + op + "></font> b", kTableEnd, kEnd}));
  // An empty example still gets its heading, its (empty) title line and an empty table.
  EXPECT_EQ(lines("Demo.html"), (Lines{open1("Demo"), kOpen2, kTitle + "Demo</FONT></B>", "<BR><HR><BR>", "<BR><HR>",
                                       "<BR><B>Exemple : </B>", "", kTable, kRow, kTableEnd, kEnd}));
}

TEST_F(Pages, NameWithADotFindsItsColouredExample) {
  append_record(table_, cursor_, record(EntryKind::kPage, "Version 1.2"));
  put("Version 1.2.ex", "x = 1\r\n");
  build();
  EXPECT_NE(get("Version 1.2.html").find("x <font color=#006666>=</font> 1"), std::string::npos);
  EXPECT_TRUE(has("Version 1.2.col"));
}

TEST_F(Pages, UnwritablePageIsSkipped) {
  append_record(table_, cursor_, record(EntryKind::kPage, "a/b"));
  append_record(table_, cursor_, record(EntryKind::kPage, "Next"));
  build();
  EXPECT_TRUE(has("Next.html"));
}

using Files = std::map<std::string, std::string>;

// Splits `source` into the fresh sub-folder `sub` of `scratch`, which first
// gets the `brought` files (as from the include folder), adds the
// "Compilation" record, lets `help` write the pages and returns the folder's
// files.
template <typename Help>
Files help_files(lh::testing::ScratchFolder& scratch, const std::string& sub, const std::string& source,
                 const Files& brought, Help help) {
  platform::FileSystem& fs = platform::real_file_system();
  const std::string work = scratch.sub(sub);
  WorkFiles copied;
  for (const auto& [name, bytes] : brought) {
    EXPECT_TRUE(platform::write_file(work + name, bytes));
    copied.push_back(WorkFile{name, bytes});
  }
  ManualModel model;
  split_source(fs, source, work, "Gen", copied, model);
  append_record(model.table, model.cursor, ProcedureRecord{EntryKind::kPage, "", "Compilation", "", ""});
  help(fs, work, model);
  return lh::testing::folder_files(work);
}

void expect_same_files(const Files& expected, const Files& actual) {
  ASSERT_EQ(expected.size(), actual.size());
  for (const auto& [name, bytes] : expected) {
    ASSERT_TRUE(actual.count(name)) << name;
    EXPECT_EQ(actual.at(name), bytes) << name;
  }
}

// Records that share a name, or where names fold case a spelling of it,
// share their page and coloured files, and each is written once: the folder
// ends as writing every record's page in turn leaves it, names included.
TEST(SharedPages, SameAsWritingEveryRecordsPageInTurn) {
  const std::string part =
      ";->A first\r\n;{/* t\r\n; Debug 1\r\n;}\r\n"
      "ProcedureDLL.s A(x.s) ; takes x\r\n  ;// doc <>\r\n  ProcedureReturn x\r\nEndProcedure\r\n"
      ";{//a\r\n;// page\r\nProcedureDLL.l a(y.l)\r\nEndProcedure\r\n;->a more\r\n"
      ";{//B\r\nProcedureDLL.s b(s.s)\r\n;{/* ex\r\n; x = 1\r\n;}\r\nEndProcedure\r\n;/nosource\r\n;->b\r\n"
      ";{//C\r\n;{/* only an example\r\n; y = 2\r\n;}\r\n;->c text\r\n";
  lh::testing::ScratchFolder scratch("shared");
  const std::string source = scratch.path() + "Lib.pb";
  ASSERT_TRUE(platform::write_file(source, part + part + ";->A last\r\n;{//Solo\r\n" + part));
  // Files the include folder brought, one under another spelling.
  const Files brought{{"b.html", "stale"}, {"A.nfo", "info\r\n"}};
  const Files each = help_files(
      scratch, "each", source, brought, [](platform::FileSystem& fs, const std::string& work, ManualModel& model) {
        for (const ProcedureRecord& r : model.table.records) {
          ProcedureTable single;
          TableCursor cursor;
          append_record(single, cursor, r);
          prepare_warnings(fs, work, single, model.entries);
          write_function_pages(fs, work, single, model.entries, model.contents, linked_highlighter());
        }
      });
  const Files once = help_files(
      scratch, "once", source, brought, [](platform::FileSystem& fs, const std::string& work, ManualModel& model) {
        prepare_warnings(fs, work, model.table, model.entries);
        write_function_pages(fs, work, model.table, model.entries, model.contents, linked_highlighter());
      });
  EXPECT_EQ(once.count("Solo.html"), 1u);
  expect_same_files(each, once);
}

// Every file of the work folder that the split, the pages and the help
// project leave, after the include folder brought `brought`, on `fs` under
// `root` (a folder of `fs` that ends in its separator).
Files manual_files(platform::FileSystem& fs, const std::string& root, const std::string& source, const Files& brought) {
  const std::string work = root + "work" + platform::separator();
  EXPECT_TRUE(fs.create_folder(work));
  EXPECT_TRUE(fs.write_file(root + "Gen.pb", source));
  WorkFiles copied;
  for (const auto& [name, bytes] : brought) {
    EXPECT_TRUE(fs.write_file(work + name, bytes));
    copied.push_back(WorkFile{name, bytes});
  }
  ManualModel model;
  split_source(fs, root + "Gen.pb", work, "Gen", copied, model);
  test::write_manual_pages(fs, work, "Gen", model);
  Files out;
  for (const platform::FolderEntry& e : fs.list_folder(work)) {
    if (!e.is_folder) {
      EXPECT_TRUE(fs.read_file(work + e.name, out[e.name]));
    }
  }
  return out;
}

// The stages touch no disk but the one they are given: on a file system
// held in memory they leave the same files as on the real one, with brought
// files (a register, a text, an information table, markers, a version file)
// and a no-source line among them.
TEST(ManualFiles, SameOnAFileSystemHeldInMemory) {
  const std::string source = generate_library_source(60, 7) +
                             ";->Brought more\r\n;{//Brought\r\n;// page\r\n;{/* t\r\n; x = 1\r\n;}\r\n"
                             "ProcedureDLL.s Upper(t.s)\r\n  ProcedureReturn t ;//resident\r\nEndProcedure\r\n"
                             ";/nosource\r\nProcedureDLL.s Lower(t.s)\r\nEndProcedure\r\n";
  const Files brought{{"chm.ini", "Kept = 1\r\n[Brought]\r\nOld = 1\r\n"},
                      {"Brought.txt", ";// from the include folder\r\n"},
                      {"Upper.nfo", "info <>\r\n"},
                      {"Upper.cod", "brought code\r\n"},
                      {"Lower.warn", "not empty"},
                      {"Brought.warn", ""},
                      {"Gen.ver", "old\r\n"}};
  lh::testing::ScratchFolder scratch("memory");
  const Files on_disk = manual_files(platform::real_file_system(), scratch.path(), source, brought);
  platform::MemoryFileSystem memory;
  const std::string root = platform::separator() == '/' ? "/" : "C:\\";
  const Files in_memory = manual_files(memory, root, source, brought);
  EXPECT_GT(on_disk.size(), 200u);
  EXPECT_NE(on_disk.at("Brought.html").find("from the include folder"), std::string::npos);
  EXPECT_NE(on_disk.at("Brought.html").find("Warning.gif"), std::string::npos);
  expect_same_files(on_disk, in_memory);
}

TEST(WarningImage, IsA40By34Gif) {
  const std::string& gif = warning_image();
  ASSERT_GE(gif.size(), 13u);
  EXPECT_EQ(gif.substr(0, 6), "GIF89a");
  EXPECT_EQ(uint8_t(gif[6]) | uint8_t(gif[7]) << 8, 40);
  EXPECT_EQ(uint8_t(gif[8]) | uint8_t(gif[9]) << 8, 34);
  EXPECT_EQ(gif.size(), 1486u);
  EXPECT_EQ(gif.back(), ';');
}

}  // namespace
}  // namespace lh
