// The Windows program as its users run it: LibHammer.exe without arguments,
// installed in a (stand-in) PureBasic folder that the .pb association names,
// with a settings file that picks the example library. A driver clicks
// COMPILE; the program then builds, saves its settings, packages and ends,
// its window alive all along.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fakes/fake_purebasic.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "saved_registry_key_win32.h"

namespace lh {
namespace {

std::string temp_root() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + "lh_window_program\\";
}

void remove_tree(const std::string& folder) {
  for (const auto& e : platform::list_folder(folder)) {
    std::string path = folder + e.name;
    if (e.is_folder) {
      remove_tree(path + "\\");
    } else {
      platform::set_read_only(path, false);
      platform::delete_file(path);
    }
  }
  platform::remove_folder(folder);
}

bool set_default_value(HKEY root, const char* key_name, const std::string& value) {
  HKEY key;
  if (RegCreateKeyExA(root, key_name, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) return false;
  LONG r = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
  return r == ERROR_SUCCESS;
}

bool set_association(const std::string& value) {
  return set_default_value(HKEY_CLASSES_ROOT, "PureBasic.exe\\DefaultIcon", value);
}

// While it lives, manuals open in the echo stand-in, which leaves a marker
// file naming the manual and ends: no help viewer outlives the test. The
// prefix's own .chm association comes back afterwards.
struct ManualsOpenWithMarker {
  test::SavedRegistryKey extension{".chm"}, type{"LibHammerTestManual"};
  explicit ManualsOpenWithMarker(const std::string& marker) {
    set_default_value(HKEY_CLASSES_ROOT, ".chm", "LibHammerTestManual");
    std::string command = "\"";
    command += fakes::fake_program("echo_program");
    command += "\" --touch \"";
    command += marker;
    command += "\" \"%1\"";
    set_default_value(HKEY_CLASSES_ROOT, "LibHammerTestManual\\shell\\open\\command", command);
  }
};

// Waits (up to a minute) for a file that another process writes.
bool wait_for_file(const std::string& path) {
  for (int i = 0; i < 3000 && platform::file_size(path) <= 0; ++i) Sleep(20);
  return platform::file_size(path) > 0;
}

std::string test_text(const std::string& path) {
  std::string text;
  platform::read_file(path, text);
  return text;
}

// The visible window of that title that belongs to `process` (several
// programs of the same title may be running).
HWND wait_for_window(const char* title, HANDLE process) {
  const DWORD owner = GetProcessId(process);
  for (int i = 0; i < 6000; ++i) {
    // The window is shown only once all its gadgets exist.
    for (HWND h = FindWindowA(nullptr, title); h; h = FindWindowExA(nullptr, h, nullptr, title)) {
      DWORD pid = 0;
      GetWindowThreadProcessId(h, &pid);
      if (pid == owner && IsWindowVisible(h)) return h;
    }
    if (WaitForSingleObject(process, 10) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

struct BoxSearch {
  DWORD process_id;
  HWND found;
};

BOOL CALLBACK match_message_box(HWND h, LPARAM p) {
  auto* s = reinterpret_cast<BoxSearch*>(p);
  char cls[64] = "";
  GetClassNameA(h, cls, sizeof cls);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid == s->process_id && std::string(cls) == "#32770" && IsWindowVisible(h)) {
    s->found = h;
    return FALSE;
  }
  return TRUE;
}

// A message box of the given process, if one is open.
HWND find_message_box(DWORD process_id) {
  BoxSearch search{process_id, nullptr};
  EnumWindows(match_message_box, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string box_text(HWND box) {
  std::string text;
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    char buf[2048] = "";
    GetWindowTextA(c, buf, sizeof buf);
    if (GetDlgCtrlID(c) != IDOK && buf[0]) text += buf;
  }
  return text;
}

// Presses `button` of the box and waits until the box has gone, so that the
// next look does not read it twice.
void close_box(HWND box, WPARAM button) {
  PostMessageA(box, WM_COMMAND, button, 0);
  for (int j = 0; j < 500 && IsWindow(box); ++j) Sleep(10);
}

// Waits for the process to end, answering any message box it shows (and
// remembering what the boxes said). False when it did not end in time.
bool wait_answering_boxes(const PROCESS_INFORMATION& pi, std::string& said) {
  for (int i = 0; i < 3000; ++i) {
    if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) return true;
    if (HWND box = find_message_box(pi.dwProcessId)) {
      said += box_text(box) + "\n";
      close_box(box, IDOK);
    }
  }
  return false;
}

// "NAME=value" into this process's environment, which the programs it
// starts inherit; "NAME=" removes NAME.
void set_env(const std::string& assignment) {
  const std::size_t equals = assignment.find('=');
  const std::string value = assignment.substr(equals + 1);
  SetEnvironmentVariableA(assignment.substr(0, equals).c_str(), value.empty() ? nullptr : value.c_str());
}

// Answers the first message box of the process (with `button`) once one is
// shown, and returns its text; empty when the process ended first.
std::string answer_next_box(const PROCESS_INFORMATION& pi, WPARAM button) {
  for (int i = 0; i < 30000; ++i) {
    if (HWND box = find_message_box(pi.dwProcessId)) {
      std::string text = box_text(box);
      // LH_SCREENSHOT_HOLD_MS leaves the box up for a screenshot.
      if (const char* hold = getenv("LH_SCREENSHOT_HOLD_MS")) Sleep(static_cast<DWORD>(atoi(hold)));
      close_box(box, button);
      return text;
    }
    if (WaitForSingleObject(pi.hProcess, 10) == WAIT_OBJECT_0) return {};
  }
  return {};
}

// A control's text, asked of the window's thread as any other process
// must ask it; empty when no answer came within a second.
std::string control_text(HWND control) {
  char buf[1024] = "";
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutA(control, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_NORMAL, 1000, &got))
    return {};
  return buf;
}

int control_value(HWND control, UINT message, WPARAM wparam = 0) {
  DWORD_PTR value = 0;
  if (!SendMessageTimeoutA(control, message, wparam, 0, SMTO_NORMAL, 1000, &value)) return -1;
  return static_cast<int>(value);
}

// The program as the tests start it: its own PureBasic folder (with the
// stand-ins), the example library beside it, the .pb association and the
// manual's open action pointed at the stand-ins. A test that fails halfway
// leaves nothing running: TearDown releases a held TailBite and ends the
// program.
struct WindowProgram : ::testing::Test {
  std::string root = temp_root();
  std::string pb = root + "PureBasic\\";
  std::string src = root + "src\\";
  std::string program = pb + "LibHammer.exe";
  std::string example = std::string(LH_EXAMPLES) + "\\StringTools\\";
  std::string include = example + "include\\";
  std::string opened = root + "manual-opened.txt";
  std::string hold = root + "tailbite-hold";  // TailBite waits until it exists
  std::string settings_text;
  test::SavedRegistryKey association{"PureBasic.exe"};
  std::unique_ptr<ManualsOpenWithMarker> manuals;
  PROCESS_INFORMATION pi{};
  HWND window = nullptr;

  void SetUp() override {
    remove_tree(root);
    ASSERT_TRUE(platform::create_folder(root));
    ASSERT_TRUE(fakes::lay_out_purebasic(pb));
    ASSERT_TRUE(platform::create_folder(src));
    ASSERT_TRUE(platform::copy_file(LH_LIBHAMMER, program));
    ASSERT_TRUE(platform::copy_file(example + "StringTools.pb", src + "StringTools.pb"));
    // The program stands in the folder the association names: no prompt.
    ASSERT_TRUE(set_association("\"" + pb + "PureBasic.exe\",0"));
    settings_text = "PathInclude = " + include + "\r\nLibrarySource = " + src + "StringTools.pb\r\n";
    ASSERT_TRUE(platform::write_file(pb + "LibHammer.ini", settings_text));
    manuals = std::make_unique<ManualsOpenWithMarker>(opened);
  }

  void TearDown() override {
    platform::write_file(hold, "");
    if (pi.hProcess) {
      if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 99);
      WaitForSingleObject(pi.hProcess, INFINITE);
      CloseHandle(pi.hProcess);
      CloseHandle(pi.hThread);
    }
    manuals.reset();
    remove_tree(root);
  }

  // Starts the program with the stand-ins' variables `env` ("NAME=value")
  // set for it, and waits for its window. hhc.exe (the stand-in on the
  // search path) makes no manual: the built-in compiler stands in, and that
  // is no news for a message box.
  void start(std::vector<std::string> env) {
    env.push_back("LH_FAKE_HHC_FAILS=1");
    for (const std::string& e : env) set_env(e);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string command = "\"" + program + "\"";
    BOOL started =
        CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, pb.c_str(), &si, &pi);
    for (const std::string& e : env) set_env(e.substr(0, e.find('=') + 1));
    ASSERT_TRUE(started);
    window = wait_for_window("LibHammer 6", pi.hProcess);
    ASSERT_NE(window, nullptr) << "the window did not open";
  }

  void click(int gadget) { PostMessageA(GetDlgItem(window, gadget), BM_CLICK, 0, 0); }

  bool running() { return WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT; }

  // The held TailBite's process, once it has started (null when the
  // program ended first).
  HANDLE held_tailbite(const std::string& hold_file) {
    const std::string started = hold_file + ".started";
    while (platform::file_size(started) <= 0) {
      if (WaitForSingleObject(pi.hProcess, 20) == WAIT_OBJECT_0) return nullptr;
    }
    const DWORD pid = static_cast<DWORD>(std::strtoul(test_text(started).c_str(), nullptr, 10));
    return OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
  }

  DWORD exit_code() {
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    return code;
  }
};

TEST_F(WindowProgram, CompileBuildsSavesTheSettingsAndPackages) {
  ASSERT_NO_FATAL_FAILURE(start({}));
  char caption[1024] = "";
  GetWindowTextA(GetDlgItem(window, 201), caption, sizeof caption);
  EXPECT_EQ(std::string(caption), " Source : " + src + "StringTools.pb");
  GetWindowTextA(GetDlgItem(window, 202), caption, sizeof caption);
  EXPECT_EQ(std::string(caption), " PB : " + pb);
  click(205);

  std::string said;
  ASSERT_TRUE(wait_answering_boxes(pi, said)) << "the program did not end; it said: " << said;
  // A build that went well has nothing to tell, whichever compiler made
  // the manual.
  EXPECT_EQ(said, "");
  // Step 18 opened the manual (in the stand-in, which names it).
  EXPECT_TRUE(wait_for_file(opened));
  EXPECT_NE(test_text(opened).find("StringTools.chm"), std::string::npos) << test_text(opened);
  EXPECT_EQ(exit_code(), 0u);

  for (const std::string& path : {pb + "PureLibraries\\UserLibraries\\StringTools", pb + "help\\StringTools.chm",
                                  pb + "Residents\\StringTools.res", pb + "Library_Source\\StringTools.pb",
                                  pb + "Library_Source\\StringTools-Tweaked.pb", src + "StringTools (1.2) x86.7z",
                                  src + "StringTools (1.2) x86.exe"}) {
    EXPECT_TRUE(platform::is_file(path)) << path;
  }
  std::string settings;
  ASSERT_TRUE(platform::read_file(pb + "LibHammer.ini", settings));
  EXPECT_EQ(settings, settings_text);
}

// What a driver sees of the window while a build runs, one look at a time:
// whether the window answers WM_NULL and whether Windows takes it as hung,
// the progress bar's moves, each new text of the step line, and any
// message box (read and answered).
struct WindowWatch {
  using Clock = std::chrono::steady_clock;

  WindowWatch(HWND w, const PROCESS_INFORMATION& p) : window(w), pi(p) {}

  HWND window;
  const PROCESS_INFORMATION& pi;
  Clock::time_point last_answer = Clock::now();
  Clock::duration longest_gap{0};
  int unanswered = 0, hung = 0, went_back = 0, last_position = 0, samples = 0;
  std::vector<std::string> lines;
  std::string said;

  // One look: WM_NULL, the hung test, the bar and the line. False once the
  // program has ended.
  bool look() {
    DWORD_PTR ignored = 0;
    const bool answered = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &ignored) != 0;
    if (WaitForSingleObject(pi.hProcess, 0) != WAIT_TIMEOUT) return false;
    ++samples;
    if (answered) {
      longest_gap = std::max(longest_gap, Clock::now() - last_answer);
      last_answer = Clock::now();
    } else {
      ++unanswered;
    }
    if (IsHungAppWindow(window)) ++hung;
    if (HWND bar = GetDlgItem(window, 207)) {
      const int position = control_value(bar, PBM_GETPOS);
      if (position < last_position) ++went_back;
      last_position = std::max(last_position, position);
    }
    if (HWND line = GetDlgItem(window, 208)) {
      const std::string text = control_text(line);
      if (!text.empty() && (lines.empty() || lines.back() != text)) lines.push_back(text);
    }
    // A box would mean something went wrong: it is read and answered.
    if (HWND box = find_message_box(pi.dwProcessId)) {
      said += box_text(box) + "\n";
      close_box(box, IDOK);
    }
    Sleep(100);
    return true;
  }
};

// Every line seen is a step's progress line, the steps in their order.
void expect_steps_in_order(const std::vector<std::string>& lines) {
  int last_step = 0;
  for (const std::string& line : lines) {
    if (line == "Starting the build" || line.rfind("packaging", 0) == 0 || line == "finished") continue;
    ASSERT_EQ(line.size() > 8 && line[0] == '[' && line.compare(3, 4, "/19]") == 0, true) << line;
    const int step = std::atoi(line.c_str() + 1);
    EXPECT_GE(step, last_step) << line;
    last_step = step;
  }
}

// While TailBite runs for ten seconds, a driver asks the window for WM_NULL
// every 100 ms: the window answers every time and Windows never takes it as
// hung. The progress bar only goes forward, and the step line reads the
// steps in their order, TailBite's while TailBite runs.
// LH_WINDOW_LIBRARY names another library source to build (a large one,
// to measure the longest gap between two answers).
TEST_F(WindowProgram, StaysAliveWhileTailBiteRuns) {
  if (const char* library = getenv("LH_WINDOW_LIBRARY")) {
    ASSERT_TRUE(platform::copy_file(library, src + "StringTools.pb"));
    ASSERT_TRUE(platform::write_file(pb + "LibHammer.ini", "LibrarySource = " + src + "StringTools.pb\r\n"));
  }
  ASSERT_NO_FATAL_FAILURE(start({"LH_FAKE_TAILBITE_HOLD=" + hold}));
  click(205);

  WindowWatch watch{window, pi};
  while (platform::file_size(hold + ".started") <= 0)
    ASSERT_TRUE(watch.look()) << "ended before TailBite ran: " << watch.said;
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(watch.look()) << "ended while TailBite ran: " << watch.said;
  const std::string line_during_tailbite = watch.lines.empty() ? "" : watch.lines.back();
  ASSERT_TRUE(platform::write_file(hold, ""));
  for (int i = 0; i < 30000 && watch.look(); ++i) {
  }
  EXPECT_EQ(exit_code(), 0u) << watch.said;

  std::printf("%d looks; longest gap between two answered messages: %lld ms\n", watch.samples,
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(watch.longest_gap).count()));
  EXPECT_EQ(watch.said, "");
  EXPECT_EQ(watch.unanswered, 0);
  EXPECT_EQ(watch.hung, 0);
  EXPECT_EQ(watch.went_back, 0);
  EXPECT_EQ(line_during_tailbite, "[16/19] TailBite");
  expect_steps_in_order(watch.lines);
}

// Cancel while TailBite never ends: that TailBite is ended at once, and no
// other process (here a second TailBite of the same program file); no later
// step runs, the settings are written, no package is made, and the author
// is told what was stopped.
TEST_F(WindowProgram, CancelEndsTheRunningTailBiteOnly) {
  const std::string other_hold = root + "bystander-hold";
  ASSERT_NO_FATAL_FAILURE(start({"LH_FAKE_TAILBITE_HOLD=" + hold}));
  click(205);
  HANDLE tailbite = held_tailbite(hold);
  ASSERT_NE(tailbite, nullptr);

  set_env("LH_FAKE_TAILBITE_HOLD=" + other_hold);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION bystander{};
  const std::string tb = pb + "TailBite\\TailBite.exe";
  std::string command = "\"" + tb + "\" \"" + src + "StringTools.pb\" /MULT /CHM:Bystander";
  BOOL started =
      CreateProcessA(tb.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &bystander);
  set_env("LH_FAKE_TAILBITE_HOLD=");
  ASSERT_TRUE(started);
  while (platform::file_size(other_hold + ".started") <= 0) Sleep(10);
  // The settings file must come back: the run writes it.
  ASSERT_TRUE(platform::delete_file(pb + "LibHammer.ini"));

  click(206);
  EXPECT_EQ(WaitForSingleObject(tailbite, 2000), WAIT_OBJECT_0) << "TailBite still runs";
  CloseHandle(tailbite);
  const std::string said = answer_next_box(pi, IDOK);
  EXPECT_EQ(exit_code(), 3u) << said;
  EXPECT_NE(said.find("stopped at step 16 of 19 (TailBite)"), std::string::npos) << said;
  EXPECT_NE(said.find("TailBite was running and was ended"), std::string::npos) << said;
  EXPECT_NE(said.find("may be incomplete"), std::string::npos) << said;

  EXPECT_EQ(WaitForSingleObject(bystander.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the bystander was ended";
  TerminateProcess(bystander.hProcess, 0);
  WaitForSingleObject(bystander.hProcess, INFINITE);
  CloseHandle(bystander.hProcess);
  CloseHandle(bystander.hThread);

  EXPECT_EQ(test_text(pb + "LibHammer.ini"), settings_text);
  // Nothing beside the source but the source; no step after TailBite ran.
  std::vector<std::string> beside;
  for (const auto& e : platform::list_folder(src)) beside.push_back(e.name);
  EXPECT_EQ(beside, std::vector<std::string>{"StringTools.pb"});
  EXPECT_FALSE(platform::is_file(pb + "Residents\\StringTools.res"));
  EXPECT_FALSE(platform::is_file(pb + "help\\StringTools.chm"));
}

// The close box during a build asks first; "No" lets the build go on to its
// normal end.
TEST_F(WindowProgram, CloseBoxAsksAndNoLetsTheBuildFinish) {
  ASSERT_NO_FATAL_FAILURE(start({"LH_FAKE_TAILBITE_HOLD=" + hold}));
  click(205);
  HANDLE tailbite = held_tailbite(hold);
  ASSERT_NE(tailbite, nullptr);
  PostMessageA(window, WM_CLOSE, 0, 0);
  const std::string question = answer_next_box(pi, IDNO);
  EXPECT_NE(question.find("Stop it?"), std::string::npos) << question;
  EXPECT_EQ(WaitForSingleObject(tailbite, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "TailBite was ended";
  CloseHandle(tailbite);
  ASSERT_TRUE(platform::write_file(hold, ""));

  std::string said;
  ASSERT_TRUE(wait_answering_boxes(pi, said)) << said;
  EXPECT_EQ(said, "");
  EXPECT_EQ(exit_code(), 0u);
  EXPECT_TRUE(platform::is_file(src + "StringTools (1.2) x86.7z"));
  EXPECT_TRUE(platform::is_file(src + "StringTools (1.2) x86.exe"));
}

// A TailBite that fails: one box lists every expected output, the library
// named as missing, with the progress bar at its end; the exit code says
// something is missing.
TEST_F(WindowProgram, FailedTailBiteEndsWithOneSummaryBox) {
  ASSERT_NO_FATAL_FAILURE(start({"LH_FAKE_TAILBITE_FAIL=1"}));
  click(205);
  HWND box = nullptr;
  for (int i = 0; i < 30000 && !box && running(); ++i) {
    box = find_message_box(pi.dwProcessId);
    if (!box) Sleep(10);
  }
  ASSERT_NE(box, nullptr) << "no box";
  HWND bar = GetDlgItem(window, 207);
  EXPECT_EQ(control_value(bar, PBM_GETPOS), control_value(bar, PBM_GETRANGE, FALSE));
  const std::string said = answer_next_box(pi, IDOK);
  // That was the one box.
  std::string more;
  EXPECT_TRUE(wait_answering_boxes(pi, more));
  EXPECT_EQ(more, "");
  EXPECT_EQ(exit_code(), 1u) << said;
  EXPECT_NE(said.find("missing " + pb + "PureLibraries\\UserLibraries\\StringTools\n"), std::string::npos) << said;
  EXPECT_NE(said.find("ok " + src + "StringTools (1.2) x86.7z\n"), std::string::npos) << said;
}

// Starts the program `exe` (whose window `w` is then) and clicks COMPILE;
// returns once the window's step line says `waiting`.
void compile_until_waiting(const std::string& exe, const std::string& waiting, PROCESS_INFORMATION& run, HWND& w) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  std::string command = "\"" + exe + "\"";
  const std::string folder = exe.substr(0, exe.rfind('\\') + 1);
  ASSERT_TRUE(
      CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &run));
  w = wait_for_window("LibHammer 6", run.hProcess);
  ASSERT_NE(w, nullptr);
  PostMessageA(GetDlgItem(w, 205), BM_CLICK, 0, 0);
  std::string line;
  for (int t = 0; t < 3000 && line != waiting; ++t) {
    line = control_text(GetDlgItem(w, 208));
    if (line != waiting) Sleep(20);
  }
  ASSERT_EQ(line, waiting);
}

// Two windows, two libraries, one work folder. The test holds the work
// folder first: each window's step line says whom it waits for; Cancel in
// a third window that waits ends its run before any step; once let go, the
// other two build whole.
TEST_F(WindowProgram, TwoWindowsWaitForTheWorkFolderAndCancelEndsTheWait) {
  // Each program its own name, so its own settings file and library.
  const std::vector<std::string> names = {"Alpha", "Beta", "Gamma"};
  for (const std::string& name : names) {
    ASSERT_TRUE(platform::copy_file(LH_LIBHAMMER, pb + name + ".exe"));
    ASSERT_TRUE(platform::copy_file(example + "StringTools.pb", src + name + ".pb"));
    ASSERT_TRUE(platform::write_file(pb + name + ".ini", "LibrarySource = " + src + name + ".pb\r\n"));
  }
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::unique_ptr<platform::FileLock> held = platform::try_lock_file(std::string(temp) + "LibHammer.lock");
  ASSERT_NE(held, nullptr);
  const std::string waiting =
      "waiting for another LibHammer run, process " + std::to_string(GetCurrentProcessId()) + ", to finish";

  std::vector<PROCESS_INFORMATION> runs(names.size());
  set_env("LH_FAKE_HHC_FAILS=1");
  for (size_t i = 0; i < names.size(); ++i) {
    HWND w = nullptr;
    ASSERT_NO_FATAL_FAILURE(compile_until_waiting(pb + names[i] + ".exe", waiting, runs[i], w)) << names[i];
    if (names[i] == "Gamma") PostMessageA(GetDlgItem(w, 206), BM_CLICK, 0, 0);  // Cancel
  }
  set_env("LH_FAKE_HHC_FAILS=");
  std::string gamma_said;
  ASSERT_TRUE(wait_answering_boxes(runs[2], gamma_said));
  EXPECT_NE(gamma_said.find("stopped"), std::string::npos) << gamma_said;
  held.reset();
  std::string said;
  for (PROCESS_INFORMATION& run : runs) {
    EXPECT_TRUE(wait_answering_boxes(run, said)) << said;
    DWORD code = 99;
    GetExitCodeProcess(run.hProcess, &code);
    EXPECT_EQ(code, &run == &runs[2] ? 3u : 0u);
    CloseHandle(run.hProcess);
    CloseHandle(run.hThread);
  }
  EXPECT_EQ(said, "");
  for (const std::string& name : {std::string("Alpha"), std::string("Beta")}) {
    for (const std::string& path :
         {pb + "PureLibraries\\UserLibraries\\" + name, pb + "help\\" + name + ".chm",
          pb + "Residents\\" + name + ".res", src + name + " (1.2) x86.7z", src + name + " (1.2) x86.exe"})
      EXPECT_TRUE(platform::is_file(path)) << path;
  }
  // The cancelled window built nothing.
  EXPECT_FALSE(platform::exists(pb + "PureLibraries\\UserLibraries\\Gamma"));
  EXPECT_FALSE(platform::exists(src + "Gamma (1.2) x86.exe"));
}

}  // namespace
}  // namespace lh
