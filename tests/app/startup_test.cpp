// Start-up against real folders and the stand-in PureBasic installation.
#include "app/startup.h"
#include "platform/paths.h"

#include <gtest/gtest.h>

#include "fakes/standin_support.h"
#include "pipeline/app_state.h"
#include "platform/message_box.h"
#include "purebasic/tools.h"

namespace lh {
namespace {

struct Box {
  std::string caption, text;
  MessageIcon icon;
};

// Collects the messages start-up would show in boxes.
struct BoxCatcher final : Reporter {
  std::vector<Box> boxes;
  void tell(const std::string& c, const std::string& t, MessageIcon i) override { boxes.push_back({c, t, i}); }
  bool ask(const std::string&, const std::string&) override { return false; }
};

TEST(Startup, ProgramPathsAndBaseNames) {
  AppState state;
  set_program_paths(state, "C:\\Tools\\PB\\LibHammer.tool.exe");
  EXPECT_EQ(state.program_folder, "C:\\Tools\\PB\\");
  EXPECT_EQ(state.settings_path, "C:\\Tools\\PB\\LibHammer.ini");
  set_program_paths(state, "/opt/pb/libhammer");
  EXPECT_EQ(state.settings_path, "/opt/pb/libhammer.ini");
  EXPECT_EQ(platform::file_stem("C:\\Src\\My.Lib.pb"), "My");
  EXPECT_EQ(platform::file_stem("C:\\Src.d/Lib"), "Lib");
}

TEST(Startup, ColouringLibraryAndWorkFolderLiveInTheTempFolder) {
  AppState state;
  ASSERT_TRUE(write_colouring_library(state, std::string_view("MZ\0image", 8)));
  EXPECT_EQ(state.colouring_library.rfind(temp_folder(), 0), 0u);
  EXPECT_EQ(test::read_text(state.colouring_library), std::string("MZ\0image", 8));
  set_work_folder(state);
  EXPECT_EQ(state.work_folder, temp_folder() + "LibHammer" + platform::separator());
}

TEST(Startup, TailbiteCheckFindsAFileOrFolderInAnyLetterCase) {
  const std::string pb = test::scratch_folder("tailbite-check");
  EXPECT_FALSE(tailbite_present(pb));
  // A folder passes even without the program in it.
  platform::create_folder(pb + "TailBite");
  EXPECT_TRUE(tailbite_present(pb));
  platform::remove_folder(pb + "TailBite");
  platform::write_file(pb + "TAILBITE", "");
  EXPECT_TRUE(tailbite_present(pb));
  platform::delete_file(pb + "TAILBITE");
  platform::write_file(pb + "tailbite.exe", "");  // another name
  EXPECT_FALSE(tailbite_present(pb));
  test::remove_tree(pb);
}

#ifndef _WIN32
// On Linux PUREBASIC_HOME stands in for the .pb association.
struct PureBasicHome {
  std::string saved = platform::environment_variable("PUREBASIC_HOME");
  explicit PureBasicHome(const std::string& folder) { test::set_env("PUREBASIC_HOME", folder); }
  ~PureBasicHome() {
    if (saved.empty()) {
      test::unset_env("PUREBASIC_HOME");
    } else {
      test::set_env("PUREBASIC_HOME", saved);
    }
  }
};

TEST(Startup, WholeStartUpFromThePureBasicFolder) {
  const std::string pb = test::scratch_folder("startup-pb");
  ASSERT_TRUE(fakes::lay_out_purebasic(pb));
  platform::write_file(pb + "LibHammer.ini", "LibrarySource = /src/Strings.pb\r\nPathInclude=/inc/\r\n");
  PureBasicHome home(pb);
  BoxCatcher catcher;
  AppState state;
  ASSERT_TRUE(start_up(state, pb + "LibHammer", "image", catcher));
  EXPECT_TRUE(catcher.boxes.empty());  // started from the associated folder: no prompt
  EXPECT_EQ(state.purebasic_folder, pb);
  EXPECT_EQ(state.include_folder, "/inc/");
  EXPECT_EQ(state.library_source, "/src/Strings.pb");
  EXPECT_EQ(state.work_folder, temp_folder() + "LibHammer/");
  EXPECT_EQ(test::read_text(state.colouring_library), "image");
  test::remove_tree(pb);
}

TEST(Startup, MissingTailbiteEndsWithTheErrorBox) {
  const std::string pb = test::scratch_folder("startup-no-tb");
  PureBasicHome home(pb);
  BoxCatcher catcher;
  AppState state;
  EXPECT_FALSE(start_up(state, pb + "LibHammer", "", catcher));
  ASSERT_EQ(catcher.boxes.size(), 1u);
  EXPECT_EQ(catcher.boxes[0].caption, "Error");
  EXPECT_EQ(catcher.boxes[0].text, "Tailbite not found");
  EXPECT_EQ(catcher.boxes[0].icon, MessageIcon::kError);
  EXPECT_FALSE(platform::exists(pb + "LibHammer.ini"));
  test::remove_tree(pb);
}

TEST(Startup, OtherProgramFolderRunsTheEditorOnce) {
  const std::string pb = test::scratch_folder("assoc-pb");
  const std::string program = test::scratch_folder("assoc-program");
  ASSERT_TRUE(fakes::lay_out_purebasic(pb));
  ASSERT_TRUE(fakes::lay_out_purebasic(program));  // its own editor beside it
  const std::string log = program + "log.txt";
  test::set_env("LH_FAKE_LOG", log);
  PureBasicHome home(pb);
  BoxCatcher catcher;
  AppState state;
  ASSERT_TRUE(start_up(state, program + "LibHammer", "", catcher));
  test::unset_env("LH_FAKE_LOG");
  ASSERT_EQ(catcher.boxes.size(), 1u);
  EXPECT_EQ(catcher.boxes[0].caption, "PureBasic editor will be launched");
  EXPECT_EQ(catcher.boxes[0].text, "Please close it\r\n.pb file association needed by TB To find the compiler path !");
  EXPECT_EQ(catcher.boxes[0].icon, MessageIcon::kInformation);
  EXPECT_EQ(test::read_text(log), "purebasic: " + program + "purebasic\n");
  EXPECT_EQ(state.purebasic_folder, pb);

  // Letter case alone makes the folders differ.
  state.program_folder = pb.substr(0, pb.size() - 3) + "PB/";
  test::set_env("PUREBASIC_HOME", pb.substr(0, pb.size() - 3) + "pb/");
  EXPECT_TRUE(association_check(state, catcher));
  test::remove_tree(pb);
  test::remove_tree(program);
}

TEST(Startup, HeadlessTakesTheGivenFolderWithoutPromptOrSettings) {
  const std::string pb = test::scratch_folder("headless-pb");
  ASSERT_TRUE(fakes::lay_out_purebasic(pb));
  PureBasicHome home("/nowhere/");
  AppState state;
  const std::string bare = pb.substr(0, pb.size() - 1);
  EXPECT_TRUE(start_up_headless(state, bare + "/LibHammer", "", bare));
  EXPECT_EQ(state.purebasic_folder, pb);
  EXPECT_FALSE(platform::exists(pb + "LibHammer.ini"));
  EXPECT_FALSE(start_up_headless(state, bare + "/LibHammer", "", ""));
  test::remove_tree(pb);
}
#endif

}  // namespace
}  // namespace lh
