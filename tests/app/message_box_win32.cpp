// Windows only: show_message_box puts up a real modal box with the caption,
// text and one OK button, and returns when it is closed.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/message_box.h"

namespace lh {
namespace {

// Under Wine a window needs an X display; without one the test has nothing
// to look at.
bool can_show_windows() {
  const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  return !wine || GetEnvironmentVariableA("DISPLAY", nullptr, 0) > 1;
}

TEST(ShellMessageBox, RealBoxShowsTheTextAndReturnsWhenClosed) {
  if (!can_show_windows()) GTEST_SKIP() << "no display for Wine";
  const std::string caption = "LibHammer box test";
  std::atomic<bool> seen{false};
  std::string text;
  const DWORD main_thread = GetCurrentThreadId();
  std::thread closer([&] {
    for (int i = 0; i < 1000; ++i) {
      HWND box = FindWindowA(nullptr, caption.c_str());
      // The box takes its caption before its text and is shown after both.
      if (box && IsWindowVisible(box)) {
        char buffer[256] = {};
        GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);  // the box's text control
        text = buffer;
        seen = true;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(20);
    }
    // No box came: end the modal loop (WM_QUIT) rather than leave it waiting.
    PostThreadMessageA(main_thread, WM_QUIT, 0, 0);
  });
  show_message_box(caption, "Tailbite not found", MessageIcon::kError);
  closer.join();
  EXPECT_TRUE(seen);
  EXPECT_EQ(text, "Tailbite not found");
}

}  // namespace
}  // namespace lh
