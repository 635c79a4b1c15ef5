// The settings file: hand-written files read and rewritten.
#include "app/settings.h"

#include <gtest/gtest.h>

#include "fakes/standin_support.h"
#include "pipeline/app_state.h"

namespace lh {
namespace {

TEST(Settings, HandWrittenFileIsReadAndRewrittenWithEveryForeignLine) {
  const std::string written =
      "\xEF\xBB\xBF"
      "; LibHammer settings\r\n"
      "\r\n"
      "   pathinclude\t=  C:\\Inc\\ \t\r\n"
      ";no space after the mark\n"
      "Other=kept as it is\n"
      "\t\n"
      "a line without an equals sign\r"
      "[Window]\r\n"
      "LibrarySource = C:\\grouped.pb\r\n"
      "  ; a comment in the group\r\n"
      "[ Recent ]\r\n"
      "File1=C:\\a.pb\r\n"
      "[Odd] ; trailing words\r\n"
      "  LibrarySource=C:\\odd.pb";
  SettingsFile file = parse_settings(written);
  EXPECT_TRUE(file.utf8_bom);
  EXPECT_EQ(settings_value(file, "PathInclude"), "C:\\Inc\\");
  EXPECT_EQ(settings_value(file, "PATHINCLUDE"), "C:\\Inc\\");
  // Keys under a group are not the program's.
  EXPECT_EQ(settings_value(file, "LibrarySource"), "");

  set_settings_value(file, "PathInclude", "D:\\New Inc\\");
  set_settings_value(file, "LibrarySource", "D:\\Src\\Strings.pb");
  EXPECT_EQ(format_settings(file),
            "\xEF\xBB\xBF"
            "; LibHammer settings\r\n"
            "pathinclude = D:\\New Inc\\\r\n"
            "; no space after the mark\r\n"
            "Other = kept as it is\r\n"
            "a line without an equals sign\r\n"
            "LibrarySource = D:\\Src\\Strings.pb\r\n"
            "[Window]\r\n"
            "LibrarySource = C:\\grouped.pb\r\n"
            "; a comment in the group\r\n"
            "[ Recent ]\r\n"
            "File1 = C:\\a.pb\r\n"
            "[Odd] ; trailing words\r\n"
            "LibrarySource = C:\\odd.pb\r\n");
  // The rewritten form reads back to itself.
  EXPECT_EQ(format_settings(parse_settings(format_settings(file))), format_settings(file));
}

// The mark's bytes after a blank are no mark, and must not become one in
// the rewrite: the line would lose them.
TEST(Settings, MarkBytesInTheFirstLineStayPartOfIt) {
  for (std::string first : {"\xEF\xBB\xBFloose", "\xEF\xBB\xBFkey = v"}) {
    SettingsFile file = parse_settings(" " + first + "\r\n");
    ASSERT_FALSE(file.utf8_bom);
    set_settings_value(file, "PathInclude", "C:\\Inc\\");
    SettingsFile reread = parse_settings(format_settings(file));
    EXPECT_FALSE(reread.utf8_bom) << first;
    ASSERT_EQ(reread.lines.size(), 2u);
    EXPECT_EQ(format_settings(reread), format_settings(file)) << first;
    EXPECT_EQ(reread.lines[0].kind, file.lines[0].kind);
  }
}

TEST(Settings, MissingFileIsCreatedWithTheTwoKeysInOrder) {
  const std::string folder = test::scratch_folder("settings-new");
  AppState state;
  state.settings_path = folder + "LibHammer.ini";
  read_settings(state);
  EXPECT_EQ(state.include_folder, "");
  EXPECT_EQ(state.library_source, "");
  EXPECT_FALSE(platform::exists(state.settings_path));  // reading never writes

  state.include_folder = "C:\\Inc\\";
  state.library_source = " C:\\Src\\My.Lib.pb";  // stored exactly as held
  ASSERT_TRUE(write_settings(state));
  EXPECT_EQ(test::read_text(state.settings_path), "PathInclude = C:\\Inc\\\r\nLibrarySource =  C:\\Src\\My.Lib.pb\r\n");

  AppState again;
  again.settings_path = state.settings_path;
  read_settings(again);
  EXPECT_EQ(again.include_folder, "C:\\Inc\\");
  EXPECT_EQ(again.library_source, "C:\\Src\\My.Lib.pb");  // read without the blank
  test::remove_tree(folder);
}

TEST(Settings, KeysOnlyUnderAGroupGiveDefaultsAndNewKeysGoBeforeTheGroup) {
  const std::string folder = test::scratch_folder("settings-grouped");
  AppState state;
  state.settings_path = folder + "LibHammer.ini";
  platform::write_file(state.settings_path, "[Main]\r\nPathInclude=C:\\Old\\\r\nLibrarySource=C:\\Old.pb\r\n");
  read_settings(state);
  EXPECT_EQ(state.include_folder, "");
  EXPECT_EQ(state.library_source, "");
  state.include_folder = "C:\\Inc\\";
  ASSERT_TRUE(write_settings(state));
  EXPECT_EQ(test::read_text(state.settings_path),
            "PathInclude = C:\\Inc\\\r\nLibrarySource = \r\n"
            "[Main]\r\nPathInclude = C:\\Old\\\r\nLibrarySource = C:\\Old.pb\r\n");
  test::remove_tree(folder);
}

TEST(Settings, UnwritableFileKeepsItsContent) {
  const std::string folder = test::scratch_folder("settings-readonly");
  AppState state;
  state.settings_path = folder + "LibHammer.ini";
  platform::write_file(state.settings_path, "PathInclude=C:\\Keep\\\r\n");
  platform::set_read_only(state.settings_path, true);
  if (platform::append_file(state.settings_path, "")) {
    platform::set_read_only(state.settings_path, false);
    test::remove_tree(folder);
    GTEST_SKIP() << "read-only files are writable for this user";
  }
  state.include_folder = "C:\\Lost\\";
  EXPECT_FALSE(write_settings(state));
  EXPECT_EQ(test::read_text(state.settings_path), "PathInclude=C:\\Keep\\\r\n");
  platform::set_read_only(state.settings_path, false);
  test::remove_tree(folder);
}

}  // namespace
}  // namespace lh
