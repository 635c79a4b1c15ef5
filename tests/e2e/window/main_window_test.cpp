// Drives the real main window as a user would: finds it by title, reads its
// gadgets and clicks them.
#include "app/main_window.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/cancellation.h"
#include "base/reporter.h"
#include "platform/files.h"

namespace lh {
namespace {

// The main window of this process, looked up from its loop's thread (the
// window is shown before the loop first waits). When it is not there the
// loop is told to end, so that a failed test cannot leave it running.
HWND loop_window() {
  const char* title = "LibHammer 6";
  for (HWND h = FindWindowA(nullptr, title); h; h = FindWindowExA(nullptr, h, nullptr, title)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(h)) return h;
  }
  PostQuitMessage(0);
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
    hooks.build = [this](Reporter&, const Cancellation&) { ++builds; };
    hooks.registry_lookup = [] { return std::string("C:\\FromRegistry\\"); };
    hooks.tailbite_path = [](const std::string& pb) { return pb + "TailBite\\TailBite.exe"; };
  }
  // At the loop's first look, COMPILE is pressed; `window` is the window.
  void press_compile_at_first_look(HWND& window) {
    hooks.before_wait = [this, &window, looks = 0]() mutable {
      if (++looks > 1) return;
      window = loop_window();
      ASSERT_NE(window, nullptr);
      PostMessageA(GetDlgItem(window, 205), BM_CLICK, 0, 0);
    };
  }
  void TearDown() override {
    platform::delete_file(source_file);
    // The program leaves its window to the end of the process; the tests
    // share one process, so each removes its window (it owns the thread).
    while (HWND h = FindWindowA(nullptr, "LibHammer 6")) DestroyWindow(h);
  }
};

// Every check runs on the loop's own thread, in the hook it calls before
// each wait for an event: the window is looked at between two events, and
// the next event is posted from there. Nothing races with the loop.

TEST_F(Fixture, ShowsTheValuesAndGadgetsAtTheirPlaces) {
  state.library_source = source_file;
  state.include_folder = "C:\\Inc\\";
  int looks = 0;
  hooks.before_wait = [&] {
    if (++looks > 1) return;
    HWND w = loop_window();
    ASSERT_NE(w, nullptr);
    // Closing is asked for first, so a failed check cannot leave the loop running.
    PostMessageA(w, WM_CLOSE, 0, 0);
    RECT client;
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 480);
    EXPECT_EQ(client.bottom, 200);
    LONG style = GetWindowLongA(w, GWL_STYLE);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_SYSMENU);

    struct Expect {
      int id, y, height;
      std::string text;
    };
    const Expect gadgets[] = {{201, 10, 25, " Source : " + source_file},
                              {204, 40, 25, " Include : C:\\Inc\\"},
                              {202, 80, 25, " PB : C:\\PB\\"},
                              {203, 110, 25, " TB : C:\\PB\\TailBite\\TailBite.exe"},
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
  };
  EXPECT_FALSE(run_main_window(state, hooks));
  EXPECT_GE(looks, 1);
  EXPECT_EQ(builds, 0);
}

// COMPILE hands the run to a second thread while the window's thread
// serves the window: in COMPILE's place the run's progress and Cancel, the
// other gadgets disabled, and what the run reports shown by the window.
TEST_F(Fixture, CompileRunsTheBuildOnceOnItsOwnThreadAndEndsTheLoop) {
  state.library_source = source_file;
  HWND w = nullptr;
  press_compile_at_first_look(w);
  const DWORD loop_thread = GetCurrentThreadId();
  DWORD run_thread = 0;
  bool compile_shown = true, others_enabled = true, cancel_enabled = false;
  std::string line;
  int position = -1, range = -1;
  hooks.build = [&](Reporter& reporter, const Cancellation&) {
    ++builds;
    run_thread = GetCurrentThreadId();
    reporter.progress({3, 20, "[ 4/19] creating the work folder"});
    compile_shown = IsWindowVisible(GetDlgItem(w, 205));
    for (int id : {201, 202, 204}) others_enabled = others_enabled && IsWindowEnabled(GetDlgItem(w, id));
    cancel_enabled = IsWindowEnabled(GetDlgItem(w, 206));
    line = text_of(GetDlgItem(w, 208));
    position = static_cast<int>(SendMessageA(GetDlgItem(w, 207), PBM_GETPOS, 0, 0));
    range = static_cast<int>(SendMessageA(GetDlgItem(w, 207), PBM_GETRANGE, FALSE, 0));
    // LH_WINDOW_HOLD_MS keeps the building window up for a screenshot.
    if (const char* hold = getenv("LH_WINDOW_HOLD_MS")) Sleep(static_cast<DWORD>(atoi(hold)));
  };
  EXPECT_TRUE(run_main_window(state, hooks));
  EXPECT_EQ(builds, 1);
  EXPECT_NE(run_thread, loop_thread);
  EXPECT_FALSE(compile_shown);
  EXPECT_FALSE(others_enabled);
  EXPECT_TRUE(cancel_enabled);
  EXPECT_EQ(line, "[ 4/19] creating the work folder");
  EXPECT_EQ(position, 3);
  EXPECT_EQ(range, 20);
}

// Cancel and Escape request the stop; the run ends on its own, and the
// loop serves the window until it has (a run that waits for an answer of
// the window must get it).
TEST_F(Fixture, CancelIsSeenByTheRunAndTheLoopWaitsForItsEnd) {
  state.library_source = source_file;
  HWND w = nullptr;
  press_compile_at_first_look(w);
  bool seen = false;
  std::string line;
  hooks.build = [&](Reporter& reporter, const Cancellation& cancel) {
    ++builds;
    PostMessageA(GetDlgItem(w, 206), BM_CLICK, 0, 0);
    // Served by the window's thread while the click waits behind it.
    reporter.progress({1, 20, "[ 2/19] removing the old work folder"});
    // Waits (up to ten seconds) for the window's thread to take the click.
    for (int i = 0; i < 1000 && !cancel.requested(); ++i) Sleep(10);
    seen = cancel.requested();
    line = text_of(GetDlgItem(w, 208));
  };
  EXPECT_TRUE(run_main_window(state, hooks));
  EXPECT_TRUE(seen);
  EXPECT_EQ(line, "Stopping...");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(w, 206)));
}

TEST_F(Fixture, CompileIsDisabledAfterTheFirstEventWhenTheSourceIsMissing) {
  state.library_source = source_file + ".missing";
  std::vector<int> enabled;  // COMPILE's state before each wait
  hooks.before_wait = [&] {
    HWND w = loop_window();
    ASSERT_NE(w, nullptr);
    enabled.push_back(IsWindowEnabled(GetDlgItem(w, 205)) ? 1 : 0);
    if (enabled.size() == 1) {
      // Any event counts; a private message is the most harmless one.
      PostMessageA(w, WM_APP, 0, 0);
    } else if (enabled.size() == 2) {
      // Once the source exists (here as a folder, which counts too), the
      // next event enables COMPILE again.
      platform::create_folder(source_file + ".missing");
      PostMessageA(w, WM_APP, 0, 0);
    } else {
      PostMessageA(w, WM_CLOSE, 0, 0);
    }
  };
  EXPECT_FALSE(run_main_window(state, hooks));
  ASSERT_GE(enabled.size(), 3u);
  EXPECT_EQ(enabled[0], 1);  // from creation until the first event
  EXPECT_EQ(enabled[1], 0);
  EXPECT_EQ(enabled[2], 1);
  EXPECT_EQ(builds, 0);
  platform::remove_folder(source_file + ".missing");
}

}  // namespace
}  // namespace lh
