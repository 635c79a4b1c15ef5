// Windows only: the .pb association read from the real registry, the
// association check launching the stand-in editor, and the open action
// through a registered document type.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/startup.h"
#include "fakes/standin_support.h"
#include "pipeline/app_state.h"
#include "platform/message_box.h"
#include "platform/run_program.h"
#include "purebasic/tools.h"
#include "saved_registry_key_win32.h"

namespace lh {
namespace {

constexpr const char* kIconKey = "PureBasic.exe\\DefaultIcon";

bool set_default_value(const char* key, const std::string& value) {
  HKEY h;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  LONG rc = RegSetValueExA(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1));
  RegCloseKey(h);
  return rc == ERROR_SUCCESS;
}

// Keeps the prefix's own .pb association (if any) across a test.
struct SavedAssociation {
  test::SavedRegistryKey key{"PureBasic.exe"};
};

// Collects the messages as "caption|text".
struct BoxCatcher final : Reporter {
  std::vector<std::string> boxes;
  void tell(const std::string& c, const std::string& t, MessageIcon) override { boxes.push_back(c + "|" + t); }
  bool ask(const std::string&, const std::string&) override { return false; }
};

TEST(Registry, LookupReadsTheEditorIconValue) {
  SavedAssociation saved;
  ASSERT_TRUE(set_default_value(kIconKey, "C:\\PureBasic\\PureBasic.exe"));
  EXPECT_EQ(purebasic_registry_lookup(), "C:\\PureBasic\\");
  ASSERT_TRUE(set_default_value(kIconKey, "\"C:\\Program Files\\PureBasic\\PureBasic.exe\",1"));
  EXPECT_EQ(purebasic_registry_lookup(), "C:\\Program Files\\PureBasic\\");
  ASSERT_TRUE(set_default_value(kIconKey, "D:\\PB\\PureBasic.exe,1"));
  EXPECT_EQ(purebasic_registry_lookup(), "D:\\PB\\");
  // Longer than the 255-byte buffer: no folder rather than a cut one.
  ASSERT_TRUE(set_default_value(kIconKey, "C:\\" + std::string(300, 'a') + "\\PureBasic.exe"));
  EXPECT_EQ(purebasic_registry_lookup(), "");
  saved.key.remove();
  EXPECT_EQ(purebasic_registry_lookup(), "");
}

TEST(Registry, AssociationCheckRunsTheEditorThatRegistersItself) {
  SavedAssociation saved;
  const std::string pb = test::scratch_folder("reg-pb");
  const std::string program = test::scratch_folder("reg-program");
  ASSERT_TRUE(fakes::lay_out_purebasic(pb));
  ASSERT_TRUE(fakes::lay_out_purebasic(program));
  ASSERT_TRUE(set_default_value(kIconKey, pb + "PureBasic.exe,1"));
  BoxCatcher catcher;
  std::vector<std::string>& boxes = catcher.boxes;
  const std::string log = program + "log.txt";
  test::set_env("LH_FAKE_LOG", log);
  test::set_env("LH_FAKE_REGISTER", "1");

  AppState state;
  ASSERT_TRUE(start_up(state, program + "LibHammer.exe", "image", catcher));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0],
            "PureBasic editor will be launched|Please close it\r\n.pb file association needed by "
            "TB To find the compiler path !");
  EXPECT_EQ(test::read_text(log), "purebasic: \"" + program + "purebasic.exe\"\n");
  // The editor named its own folder; the fresh lookup sees it.
  EXPECT_EQ(state.purebasic_folder, program);

  // Started again from that folder: no prompt, no editor.
  boxes.clear();
  AppState again;
  ASSERT_TRUE(start_up(again, program + "LibHammer.exe", "image", catcher));
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(again.purebasic_folder, program);
  EXPECT_EQ(test::read_text(log), "purebasic: \"" + program + "purebasic.exe\"\n");

  test::unset_env("LH_FAKE_REGISTER");
  test::unset_env("LH_FAKE_LOG");
  test::remove_tree(pb);
  test::remove_tree(program);
}

TEST(Registry, TailbiteCheckUsesTheAssociatedFolder) {
  SavedAssociation saved;
  const std::string pb = test::scratch_folder("reg-no-tb");
  ASSERT_TRUE(set_default_value(kIconKey, "\"" + pb + "PureBasic.exe\",1"));
  BoxCatcher catcher;
  std::vector<std::string>& boxes = catcher.boxes;
  AppState state;
  EXPECT_FALSE(start_up(state, pb + "LibHammer.exe", "", catcher));
  EXPECT_EQ(boxes, std::vector<std::string>{"Error|Tailbite not found"});
  // A folder named in another letter case passes.
  platform::create_folder(pb + "TAILBITE");
  boxes.clear();
  EXPECT_TRUE(start_up(state, pb + "LibHammer.exe", "", catcher));
  EXPECT_TRUE(boxes.empty());
  // No association at all: looked for relative to the current folder.
  saved.key.remove();
  EXPECT_FALSE(start_up(state, pb + "LibHammer.exe", "", catcher));
  test::remove_tree(pb);
}

TEST(Registry, DocumentOpensThroughItsAssociation) {
  const std::string folder = test::scratch_folder("reg-document");
  const std::string marker = folder + "opened.txt";
  test::SavedRegistryKey extension(".lhdoc"), type("LibHammerTestDocument");
  ASSERT_TRUE(set_default_value(".lhdoc", "LibHammerTestDocument"));
  ASSERT_TRUE(set_default_value("LibHammerTestDocument\\shell\\open\\command",
                                test::quoted(test::echo_program()) + " --touch " + test::quoted(marker) + " \"%1\""));
  const std::string document = folder + "Strings.lhdoc";
  platform::write_file(document, "not a program");

  EXPECT_TRUE(run_visible_wait(document, "", ""));
  std::string seen = test::read_text(marker);
  EXPECT_NE(seen.find("Strings.lhdoc"), std::string::npos) << seen;
  // With read there is no second attempt.
  EXPECT_EQ(run_capture(document, "", ""), nullptr);

  test::remove_tree(folder);
}

}  // namespace
}  // namespace lh
