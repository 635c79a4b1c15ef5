// The project, index and contents files for a source with top-level
// entries, groups, and a register key that no record bears.
#include <gtest/gtest.h>

#include "help/help_project.h"
#include "help_fixture.h"
#include "source/contents_register.h"

namespace lh {
namespace {

using test::record;
using Lines = std::vector<std::string>;

class Project : public test::WorkFolder {};

Lines entry(const std::string& name, const char* image) {
  Lines l{"<UL>", "<LI> <OBJECT TYPE=\"text/sitemap\">", "<PARAM NAME=\"Name\" VALUE=\"" + name + "\">",
          "<PARAM NAME=\"Local\" VALUE=\"" + name + ".html\">"};
  if (image) l.push_back(std::string("<PARAM NAME=\"ImageNumber\" VALUE=\"") + image + "\">");
  l.push_back("</OBJECT></UL>");
  return l;
}

Lines index_entry(const std::string& name) {
  return {"<LI> <OBJECT TYPE=\"text/sitemap\">", "<PARAM NAME=\"Name\" VALUE=\"" + name + "\">",
          "<PARAM NAME=\"Local\" VALUE=\"" + name + ".html\">", "<PARAM NAME=\"ImageNumber\" VALUE=\"11\">",
          "</OBJECT>"};
}

void add(Lines& to, const Lines& more) { to.insert(to.end(), more.begin(), more.end()); }

const Lines kContentsHead = {"<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\"><HTML><HEAD>",
                             "<META NAME=\"GENERATOR\" CONTENT=\"HelpLoomMaker\"><!-- Sitemap 1.0 -->",
                             "</HEAD><BODY><OBJECT TYPE=\"text/site properties\">",
                             "<PARAM NAME=\"Window Styles\" VALUE=\"0x800025\"></OBJECT>"};

TEST_F(Project, GroupsAndTopLevelEntries) {
  ProcedureTable table;
  TableCursor cursor;
  append_record(table, cursor, record(EntryKind::kPage, "Intro"));
  append_record(table, cursor, record(EntryKind::kExportedProcedure, "Version", ".s", ""));
  append_record(table, cursor, record(EntryKind::kTextOnly, "Index"));
  append_record(table, cursor, record(EntryKind::kTextOnly, "Strings"));
  append_record(table, cursor, record(EntryKind::kPage, " Notes"));
  append_record(table, cursor, record(EntryKind::kExportedProcedure, "Upper", ".s", "text.s"));
  append_record(table, cursor, record(EntryKind::kExportedProcedure, "upper", ".s", "text.s"));  // same key, later case
  append_record(table, cursor, record(EntryKind::kPage, "Compilation"));
  ContentsRegister reg;
  register_contents_entry(reg, "", "Intro");
  register_contents_entry(reg, "", "Version");
  register_contents_entry(reg, "Strings", " Notes");
  register_contents_entry(reg, "Strings", "Upper");
  register_contents_entry(reg, "Strings", "upper");
  register_contents_entry(reg, "Strings", "Brought");  // no record of that name
  register_contents_entry(reg, "", "Compilation");

  write_help_project(platform::real_file_system(), folder_, "Str", table, reg);

  EXPECT_EQ(lines("Str.hhp"),
            (Lines{"[OPTIONS]", "Compatibility=1.1 or later", "Compiled file=Str.chm", "Contents file=Str.hhc",
                   "Default topic=Index.html", "Full-text search=Yes", "Title=Str Library", "Index file=Str.hhk"}));

  Lines index{"<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">", "<HTML><HEAD>",
              "<META NAME=\"GENERATOR\" CONTENT=\"HelpLoomMaker\">", "<!-- Sitemap 1.0 --></HEAD><BODY></OBJECT><UL>"};
  for (const char* n : {"Intro", "Version", " Notes", "Upper", "upper", "Compilation"}) add(index, index_entry(n));
  index.push_back("</UL></BODY></HTML>");
  EXPECT_EQ(lines("Str.hhk"), index);

  Lines contents = kContentsHead;
  add(contents, entry("Intro", "17"));
  add(contents, entry("Version", "11"));
  add(contents, entry("Compilation", "17"));
  add(contents, entry("Strings", "1"));
  contents.push_back("<UL>");
  add(contents, entry(" Notes", "17"));
  add(contents, entry("upper", "11"));
  add(contents, entry("Brought", "17"));
  contents.push_back("</UL>");
  contents.push_back("</BODY></HTML>");
  EXPECT_EQ(lines("Str.hhc"), contents);
  for (const char* f : {"Str.hhp", "Str.hhk", "Str.hhc"}) EXPECT_TRUE(test::all_crlf(get(f))) << f;
}

TEST_F(Project, TextOnlyEntryInAGroupHasNoImageAndAnEmptyRegisterGivesNoEntries) {
  ProcedureTable table;
  TableCursor cursor;
  append_record(table, cursor, record(EntryKind::kTextOnly, "Index"));
  ContentsRegister reg;
  write_help_project(platform::real_file_system(), folder_, "Lib", table, reg);
  EXPECT_EQ(lines("Lib.hhc"),
            (Lines{kContentsHead[0], kContentsHead[1], kContentsHead[2], kContentsHead[3], "</BODY></HTML>"}));
  register_contents_entry(reg, "", "Index");
  write_help_project(platform::real_file_system(), folder_, "Lib", table, reg);
  Lines contents = kContentsHead;
  add(contents, entry("Index", nullptr));
  contents.push_back("</BODY></HTML>");
  EXPECT_EQ(lines("Lib.hhc"), contents);
}

}  // namespace
}  // namespace lh
