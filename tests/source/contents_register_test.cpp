#include "source/contents_register.h"

#include <gtest/gtest.h>

#include "work_folder.h"

namespace lh {
namespace {

using V = std::vector<std::string>;

TEST(ContentsRegister, FileFormAndOrder) {
  ContentsRegister reg;
  register_contents_entry(reg, "", "Early");
  register_contents_entry(reg, "Strings", "Page");
  register_contents_entry(reg, "Strings", "Trim");
  register_contents_entry(reg, "Lists", " Intro");
  register_contents_entry(reg, "", "Compilation");
  EXPECT_EQ(format_contents_register(reg),
            "Early = 1\r\nCompilation = 1\r\n[Strings]\r\nPage = 1\r\nTrim = 1\r\n[Lists]\r\n Intro = 1\r\n");
  EXPECT_EQ(contents_top_level_keys(reg), (V{"Early", "Compilation"}));
  EXPECT_EQ(contents_groups(reg), (V{"Strings", "Lists"}));
  EXPECT_EQ(contents_group_keys(reg, "strings"), (V{"Page", "Trim"}));
  EXPECT_EQ(contents_group_keys(reg, "Lists"), V{" Intro"});
  EXPECT_EQ(contents_group_keys(reg, "Missing"), V{});
  EXPECT_EQ(contents_group_keys(reg, ""), (V{"Early", "Compilation"}));
}

TEST(ContentsRegister, LetterCaseRules) {
  ContentsRegister reg;
  register_contents_entry(reg, "Group", "Trim");
  register_contents_entry(reg, "Group", "Pad");
  register_contents_entry(reg, "GROUP", "TRIM");  // same key: keeps its place, takes the new case
  register_contents_entry(reg, "", "Top");
  register_contents_entry(reg, "", "top");
  register_contents_entry(reg, "Other", "trim");  // another group's key is another key
  EXPECT_EQ(format_contents_register(reg), "top = 1\r\n[Group]\r\nTRIM = 1\r\nPad = 1\r\n[Other]\r\ntrim = 1\r\n");
  // Spaces are part of the name: " Trim" is not "Trim".
  register_contents_entry(reg, "group", " Trim");
  EXPECT_EQ(contents_group_keys(reg, "Group"), (V{"TRIM", "Pad", " Trim"}));
}

TEST(ContentsRegister, ExoticNamesReadBackUnchanged) {
  const std::string names[] = {
      "a=b",   "x]",     "[y]",    "line\r\nend", "cr\rlf\n", "=",         " = 1",         "",
      "  ",    "Trail ", "[Group", ";comment",    "#hash",    "tab\there", "\x01\x7f\xff", std::string("n\0ul", 4),
      "=4142", "]"};
  ContentsRegister reg;
  for (const std::string& g : names)
    for (const std::string& k : names) register_contents_entry(reg, g, k);
  ContentsRegister back = parse_contents_register(format_contents_register(reg));
  EXPECT_EQ(contents_top_level_keys(back), contents_top_level_keys(reg));
  EXPECT_EQ(contents_groups(back), contents_groups(reg));
  for (const std::string& g : contents_groups(reg))
    EXPECT_EQ(contents_group_keys(back, g), contents_group_keys(reg, g));
  EXPECT_EQ(format_contents_register(back), format_contents_register(reg));

  // Only names that need it are escaped; the rest are written as they are.
  ContentsRegister small;
  register_contents_entry(small, "", "a=b");
  register_contents_entry(small, "", "[Group");
  register_contents_entry(small, "x]", "Trail ");
  EXPECT_EQ(format_contents_register(small), "=613D62 = 1\r\n[Group = 1\r\n[=785D]\r\nTrail  = 1\r\n");
}

TEST(ContentsRegister, AcceptsAHandWrittenFile) {
  ContentsRegister reg = parse_contents_register(
      "; made by hand\nTop=1\n\n[Strings]\r\nTrim=1\r\nPad = 2\r\n=zz\r\n[=4C69]\rKey = 1\r[strings]\nMore = "
      "1\n[]\nLate = 1");
  EXPECT_EQ(contents_top_level_keys(reg), (V{"Top", "Late"}));
  EXPECT_EQ(contents_groups(reg), (V{"Strings", "Li"}));
  EXPECT_EQ(contents_group_keys(reg, "Strings"), (V{"Trim", "Pad", "", "More"}));
  EXPECT_EQ(contents_group_keys(reg, "li"), V{"Key"});
  register_contents_entry(reg, "strings", "pad");
  register_contents_entry(reg, "New", "Entry");
  // The comment line stays in its place; other values are kept.
  EXPECT_EQ(format_contents_register(reg),
            "; made by hand\r\nTop = 1\r\nLate = 1\r\n[Strings]\r\nTrim = 1\r\npad = 1\r\n = zz\r\nMore = 1\r\n"
            "[Li]\r\nKey = 1\r\n[New]\r\nEntry = 1\r\n");
  // Formatting what was parsed is stable.
  std::string once = format_contents_register(reg);
  EXPECT_EQ(format_contents_register(parse_contents_register(once)), once);
}

TEST(ContentsRegister, LoadAndWriteInTheWorkFolder) {
  testing::ScratchFolder f("register");
  ContentsRegister reg;
  EXPECT_FALSE(load_contents_register(platform::real_file_system(), f.path(), reg));
  register_contents_entry(reg, "G", "K");
  EXPECT_TRUE(reg.changed);
  ASSERT_TRUE(write_contents_register(platform::real_file_system(), f.path(), reg));
  EXPECT_FALSE(reg.changed);
  std::string data;
  ASSERT_TRUE(platform::read_file(f.path() + "chm.ini", data));
  EXPECT_EQ(data, "[G]\r\nK = 1\r\n");
  ContentsRegister again = read_contents_register(platform::real_file_system(), f.path());
  EXPECT_EQ(contents_group_keys(again, "G"), V{"K"});
  EXPECT_FALSE(again.changed);
  // A folder that does not exist loses the write and says so.
  EXPECT_FALSE(
      write_contents_register(platform::real_file_system(), f.path() + "missing" + platform::separator(), reg));
}

}  // namespace
}  // namespace lh
