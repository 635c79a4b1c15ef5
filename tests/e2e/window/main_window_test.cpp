// Drives the real main window from a second thread, as a user would: finds
// it by title, reads its gadgets and clicks them.
#include "shell/app/main_window.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>

#include "platform/files.h"

namespace lh {
namespace {

// The window of this process with that title (another program's window of
// the same title is not ours to drive).
HWND wait_for_window(const char* title) {
  for (int i = 0; i < 500; ++i) {
    for (HWND h = FindWindowA(nullptr, title); h; h = FindWindowExA(nullptr, h, nullptr, title)) {
      DWORD pid = 0;
      GetWindowThreadProcessId(h, &pid);
      // Shown only once all its gadgets exist.
      if (pid == GetCurrentProcessId() && IsWindowVisible(h)) return h;
    }
    Sleep(10);
  }
  return nullptr;
}

std::string text_of(HWND h) {
  char buf[1024] = "";
  GetWindowTextA(h, buf, sizeof buf);
  return buf;
}

RECT client_rect_of(HWND parent, HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

struct Fixture : ::testing::Test {
  AppState state;
  MainWindowHooks hooks;
  int builds = 0;
  std::string source_file;

  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    source_file = std::string(temp) + "lh_window_test.pb";
    platform::write_file(source_file, "ProcedureDLL Foo()\r\nEndProcedure\r\n");
    state.purebasic_folder = "C:\\PB\\";
    hooks.build = [this] { ++builds; };
    hooks.registry_lookup = [] { return std::string("C:\\FromRegistry\\"); };
    hooks.tailbite_path = [](const std::string& pb) { return pb + "TailBite\\TailBite.exe"; };
  }
  void TearDown() override {
    platform::delete_file(source_file);
    // The program leaves its window to the end of the process; the tests
    // share one process, so each removes its window (it owns the thread).
    while (HWND h = FindWindowA(nullptr, "LibHammer 6")) DestroyWindow(h);
  }
};

TEST_F(Fixture, ShowsTheValuesAndGadgetsAtTheirPlaces) {
  state.library_source = source_file;
  state.include_folder = "C:\\Inc\\";
  std::atomic<bool> checked{false};
  std::thread driver([&] {
    HWND w = wait_for_window("LibHammer 6");
    ASSERT_NE(w, nullptr);
    RECT client;
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 480);
    EXPECT_EQ(client.bottom, 200);
    LONG style = GetWindowLongA(w, GWL_STYLE);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_SYSMENU);

    struct Expect { int id, y, height; std::string text; };
    const Expect gadgets[] = {
        {201, 10, 25, " Source : " + source_file}, {204, 40, 25, " Include : C:\\Inc\\"},
        {202, 80, 25, " PB : C:\\PB\\"},           {203, 110, 25, " TB : C:\\PB\\TailBite\\TailBite.exe"},
        {205, 140, 50, "COMPILE"}};
    for (const auto& g : gadgets) {
      HWND h = GetDlgItem(w, g.id);
      ASSERT_NE(h, nullptr) << g.id;
      RECT r = client_rect_of(w, h);
      EXPECT_EQ(r.left, 10) << g.id;
      EXPECT_EQ(r.top, g.y) << g.id;
      EXPECT_EQ(r.right - r.left, 460) << g.id;
      EXPECT_EQ(r.bottom - r.top, g.height) << g.id;
      EXPECT_EQ(text_of(h), g.text) << g.id;
      EXPECT_TRUE(IsWindowEnabled(h)) << g.id;
    }
    checked = true;
    // LH_WINDOW_HOLD_MS keeps the window up for a screenshot taken outside.
    if (const char* hold = getenv("LH_WINDOW_HOLD_MS")) Sleep(static_cast<DWORD>(atoi(hold)));
    PostMessageA(w, WM_CLOSE, 0, 0);
  });
  EXPECT_FALSE(run_main_window(state, hooks));
  driver.join();
  EXPECT_TRUE(checked);
  EXPECT_EQ(builds, 0);
}

TEST_F(Fixture, CompileRunsTheBuildOnceAndEndsTheLoop) {
  state.library_source = source_file;
  std::thread driver([&] {
    HWND w = wait_for_window("LibHammer 6");
    ASSERT_NE(w, nullptr);
    PostMessageA(GetDlgItem(w, 205), BM_CLICK, 0, 0);
  });
  EXPECT_TRUE(run_main_window(state, hooks));
  driver.join();
  EXPECT_EQ(builds, 1);
}

TEST_F(Fixture, CompileIsDisabledAfterTheFirstEventWhenTheSourceIsMissing) {
  state.library_source = source_file + ".missing";
  std::atomic<int> enabled_before{-1}, enabled_after{-1};
  std::thread driver([&] {
    HWND w = wait_for_window("LibHammer 6");
    ASSERT_NE(w, nullptr);
    HWND compile = GetDlgItem(w, 205);
    enabled_before = IsWindowEnabled(compile) ? 1 : 0;
    // Any event counts; a private message is the most harmless one.
    SendMessageA(w, WM_NULL, 0, 0);
    PostMessageA(w, WM_APP, 0, 0);
    for (int i = 0; i < 200 && IsWindowEnabled(compile); ++i) Sleep(10);
    enabled_after = IsWindowEnabled(compile) ? 1 : 0;
    // Once the source exists (here as a folder, which counts too), the next
    // event enables COMPILE again.
    platform::create_folder(source_file + ".missing");
    PostMessageA(w, WM_APP, 0, 0);
    for (int i = 0; i < 200 && !IsWindowEnabled(compile); ++i) Sleep(10);
    EXPECT_TRUE(IsWindowEnabled(compile));
    PostMessageA(w, WM_CLOSE, 0, 0);
  });
  EXPECT_FALSE(run_main_window(state, hooks));
  driver.join();
  EXPECT_EQ(enabled_before, 1);
  EXPECT_EQ(enabled_after, 0);
  EXPECT_EQ(builds, 0);
  platform::remove_folder(source_file + ".missing");
}

}  // namespace
}  // namespace lh
