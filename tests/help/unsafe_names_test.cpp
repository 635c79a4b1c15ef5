// Entry names that would lead out of the work folder or open a device: none
// of them becomes a file, wherever in the source it stands, and nothing the
// help generation writes links to one.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "help/function_pages.h"
#include "help/help_project.h"
#include "help_fixture.h"
#include "source/contents_register.h"
#include "source/entry_name.h"
#include "source/splitter.h"
#include "source/work_folder.h"

namespace lh {
namespace {

const char* const kUnsafe[] = {"../up", "../../grp", "..\\escape", "..\\..\\x", "..",     ".",   "a/b",
                               "a\\b",  "c:x",       "a*b",        "a?b",       "a\"b",   "a<b", "a>b",
                               "a|b",   "tab\there", "\x01",       "Con",       "prn",    "AUX", "nUl",
                               "Com1",  "lpt9",      "con.txt",    "NUL .x",    "COM\xB9"};

// Every marker that names an entry, once for `name`, with a string-returning
// command so that a warning marker is due too.
std::string entries_named(const std::string& name) {
  return ";{//" + name + "\r\n;// page text\r\n;{/* page example\r\n; Debug 2\r\n;}\r\n;/nosource\r\n" +
         "ProcedureDLL.s " + name + "(text.s) ; described\r\n  ;// command text\r\n  ProcedureReturn text\r\n" +
         ";{/* command example\r\n; Debug 3\r\n;}\r\nEndProcedure\r\n" + ";->" + name +
         " described\r\n;{/* under the description\r\n; Debug 1\r\n;}\r\n";
}

// The value of every `attribute="..."` in `text`.
std::vector<std::string> quoted_after(const std::string& text, const std::string& attribute) {
  std::vector<std::string> out;
  for (size_t at = text.find(attribute); at != std::string::npos; at = text.find(attribute, at + 1)) {
    size_t start = at + attribute.size();
    out.push_back(text.substr(start, text.find('"', start) - start));
  }
  return out;
}

TEST(UnsafeNames, EscapesAndDevicesAreRefusedLookalikesAccepted) {
  for (const char* name : kUnsafe) EXPECT_FALSE(is_safe_entry_name(name)) << name;
  for (const char* name :
       {"", " Intro", "...", "a.b", "Console", "Com", "Com0", "LPT10", "Nul_", "x.con", "\xC4nderung"})
    EXPECT_TRUE(is_safe_entry_name(name)) << name;
}

// Generates the help of a source that names every unsafe entry, between
// safe ones, in a work folder two levels below the scratch folder, so that
// "../" and "../../" both land inside the scratch folder if they escape.
class UnsafeNamesGenerated : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = scratch_.sub("a") + "b" + platform::separator() + "work" + platform::separator();
    ASSERT_TRUE(platform::create_folder(scratch_.path() + "a" + platform::separator() + "b"));
    ASSERT_TRUE(platform::create_folder(work_));
    const std::string source = scratch_.path() + "Lib.pb";
    // Safe entries before and after, all in a safe group, whose page would
    // list the unsafe names too.
    std::string text = ";->Safe group\r\n" + entries_named("First");
    for (const char* name : kUnsafe) text += ";->Safe more\r\n" + entries_named(name);
    text += ";->Safe more\r\n" + entries_named("Last") + ";->../../grp heads\r\n;{//Under\r\n";
    ASSERT_TRUE(platform::write_file(source, text));

    platform::FileSystem& fs = platform::real_file_system();
    split_source(fs, source, work_, "Lib", {}, model_);
    test::write_manual_pages(fs, work_, "Lib", model_);
    files_ = lh::testing::folder_files(work_);
  }

  lh::testing::ScratchFolder scratch_{"unsafe"};
  std::string work_;
  ManualModel model_;
  std::map<std::string, std::string> files_;  // the work folder's files and their bytes
};

TEST_F(UnsafeNamesGenerated, NothingIsWrittenOutsideTheWorkFolder) {
  std::set<std::string> outside;
  for (const auto& e : std::filesystem::recursive_directory_iterator(scratch_.path())) {
    std::string p = e.path().lexically_relative(scratch_.path()).generic_string();
    if (p.rfind("a/b/work/", 0) != 0) outside.insert(p);
  }
  EXPECT_EQ(outside, (std::set<std::string>{"Lib.pb", "a", "a/b", "a/b/work"}));
}

TEST_F(UnsafeNamesGenerated, OnlySafeEntriesAndFixedNamesBecomeFiles) {
  for (const auto& [file, bytes] : files_) {
    const bool expected = file.rfind("First.", 0) == 0 || file.rfind("Last.", 0) == 0 || file.rfind("Safe.", 0) == 0 ||
                          file.rfind("Under.", 0) == 0 || file.rfind("Compilation.", 0) == 0 ||
                          file.rfind("Lib.", 0) == 0 || file == "chm.ini" || file == "Warning.gif";
    EXPECT_TRUE(expected) << file;
  }
  for (const char* page :
       {"First.html", "Last.html", "Safe.html", "Under.html", "Compilation.html", "Lib.hhc", "Lib.hhk"})
    EXPECT_TRUE(files_.count(page)) << page;
  EXPECT_TRUE(files_.count("Last.warn") && files_.count("Last.col"));
}

// Every link of the pages, the contents and the index names a page that is
// there; the safe group's page links the safe entries only.
TEST_F(UnsafeNamesGenerated, EveryLinkNamesAPageThatIsThere) {
  for (const auto& [file, bytes] : files_) {
    std::vector<std::string> targets = quoted_after(bytes, "href=\"");
    for (const std::string& t : quoted_after(bytes, "\"Local\" VALUE=\"")) targets.push_back(t);
    for (const std::string& t : targets) EXPECT_TRUE(files_.count(t)) << file << " links to " << t;
  }
  EXPECT_EQ(quoted_after(files_.at("Safe.html"), "href=\""), (std::vector<std::string>{"First.html", "Last.html"}));
}

TEST_F(UnsafeNamesGenerated, UnsafeNamesStayEntriesOfTheContents) {
  EXPECT_NE(files_.at("Lib.hhc").find("<PARAM NAME=\"Name\" VALUE=\"../../grp\">"), std::string::npos);
  EXPECT_EQ(contents_group_keys(model_.contents, "Safe").size(), std::size(kUnsafe) + 2);
  EXPECT_EQ(model_.exported_count, static_cast<int>(std::size(kUnsafe)) + 2);
}

}  // namespace
}  // namespace lh
