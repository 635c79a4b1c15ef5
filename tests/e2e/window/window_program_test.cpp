// The Windows program as its users run it: LibHammer.exe without arguments,
// installed in a (stand-in) PureBasic folder that the .pb association names,
// with a settings file that picks the example library. A driver clicks
// COMPILE; the program then builds, saves its settings, packages and ends.
#include <windows.h>

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

HWND wait_for_window(const char* title, HANDLE process) {
  for (int i = 0; i < 6000; ++i) {
    // The window is shown only once all its gadgets exist.
    HWND h = FindWindowA(nullptr, title);
    if (h && IsWindowVisible(h)) return h;
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

// Waits for the process to end, answering any message box it shows (and
// remembering what the boxes said). False when it did not end in time.
bool wait_answering_boxes(const PROCESS_INFORMATION& pi, std::string& said) {
  for (int i = 0; i < 3000; ++i) {
    if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) return true;
    if (HWND box = find_message_box(pi.dwProcessId)) {
      said += box_text(box) + "\n";
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      // Gone before the next look, so that it is not read twice.
      for (int j = 0; j < 500 && IsWindow(box); ++j) Sleep(10);
    }
  }
  return false;
}

TEST(WindowProgram, CompileBuildsSavesTheSettingsAndPackages) {
  const std::string root = temp_root();
  remove_tree(root);
  const std::string pb = root + "PureBasic\\";
  const std::string src = root + "src\\";
  ASSERT_TRUE(platform::create_folder(root));
  ASSERT_TRUE(fakes::lay_out_purebasic(pb));
  ASSERT_TRUE(platform::create_folder(src));
  const std::string program = pb + "LibHammer.exe";
  ASSERT_TRUE(platform::copy_file(LH_LIBHAMMER, program));
  const std::string example = std::string(LH_EXAMPLES) + "\\StringTools\\";
  ASSERT_TRUE(platform::copy_file(example + "StringTools.pb", src + "StringTools.pb"));
  // The program stands in the folder the association names: no prompt.
  test::SavedRegistryKey association("PureBasic.exe");
  ASSERT_TRUE(set_association("\"" + pb + "PureBasic.exe\",0"));
  const std::string include = example + "include\\";
  ASSERT_TRUE(platform::write_file(pb + "LibHammer.ini",
                                   "PathInclude = " + include + "\r\nLibrarySource = " + src + "StringTools.pb\r\n"));

  const std::string opened = root + "manual-opened.txt";
  ManualsOpenWithMarker manuals(opened);

  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string command = "\"" + program + "\"";
  // hhc.exe (the stand-in on the search path) makes no manual: the built-in
  // compiler stands in, and that is no news for a message box.
  SetEnvironmentVariableA("LH_FAKE_HHC_FAILS", "1");
  BOOL started =
      CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, pb.c_str(), &si, &pi);
  SetEnvironmentVariableA("LH_FAKE_HHC_FAILS", nullptr);
  ASSERT_TRUE(started);
  HWND w = wait_for_window("LibHammer 6", pi.hProcess);
  ASSERT_NE(w, nullptr) << "the window did not open";
  char caption[1024] = "";
  GetWindowTextA(GetDlgItem(w, 201), caption, sizeof caption);
  EXPECT_EQ(std::string(caption), " Source : " + src + "StringTools.pb");
  GetWindowTextA(GetDlgItem(w, 202), caption, sizeof caption);
  EXPECT_EQ(std::string(caption), " PB : " + pb);
  PostMessageA(GetDlgItem(w, 205), BM_CLICK, 0, 0);

  std::string said;
  ASSERT_TRUE(wait_answering_boxes(pi, said)) << "the program did not end; it said: " << said;
  // A build that went well has nothing to tell, whichever compiler made
  // the manual.
  EXPECT_EQ(said, "");
  // Step 18 opened the manual (in the stand-in, which names it).
  EXPECT_TRUE(wait_for_file(opened));
  EXPECT_NE(test_text(opened).find("StringTools.chm"), std::string::npos) << test_text(opened);
  DWORD code = 99;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  EXPECT_EQ(code, 0u);

  for (const std::string& path : {pb + "PureLibraries\\UserLibraries\\StringTools", pb + "help\\StringTools.chm",
                                  pb + "Residents\\StringTools.res", pb + "Library_Source\\StringTools.pb",
                                  pb + "Library_Source\\StringTools-Tweaked.pb", src + "StringTools (1.2) x86.7z",
                                  src + "StringTools (1.2) x86.exe"}) {
    EXPECT_TRUE(platform::is_file(path)) << path;
  }
  std::string settings;
  ASSERT_TRUE(platform::read_file(pb + "LibHammer.ini", settings));
  EXPECT_EQ(settings, "PathInclude = " + include + "\r\nLibrarySource = " + src + "StringTools.pb\r\n");

  remove_tree(root);
}

// The text of a gadget of another process's window.
std::string gadget_text(HWND window, int id) {
  char text[1024] = "";
  GetWindowTextA(GetDlgItem(window, id), text, sizeof text);
  return text;
}

// Waits (up to a minute) until the COMPILE button says `text`.
bool wait_for_button_text(HWND window, const std::string& text) {
  for (int i = 0; i < 3000; ++i) {
    if (gadget_text(window, 205) == text) return true;
    Sleep(20);
  }
  return false;
}

// Two windows, two libraries, one work folder. The test holds the work
// folder first: both COMPILE buttons say whom they wait for; closing a third
// window that waits cancels its build; once let go, both build whole.
TEST(WindowProgram, TwoWindowsWaitForEachOtherAndCloseCancels) {
  const std::string root = temp_root();
  remove_tree(root);
  const std::string pb = root + "PureBasic\\";
  const std::string src = root + "src\\";
  ASSERT_TRUE(platform::create_folder(root));
  ASSERT_TRUE(fakes::lay_out_purebasic(pb));
  ASSERT_TRUE(platform::create_folder(src));
  test::SavedRegistryKey association("PureBasic.exe");
  ASSERT_TRUE(set_association("\"" + pb + "PureBasic.exe\",0"));
  ManualsOpenWithMarker manuals(root + "manual-opened.txt");
  // Each program its own name, so its own settings file and library.
  const std::string example = std::string(LH_EXAMPLES) + "\\StringTools\\StringTools.pb";
  const std::vector<std::string> names = {"Alpha", "Beta", "Gamma"};
  for (const std::string& name : names) {
    ASSERT_TRUE(platform::copy_file(LH_LIBHAMMER, pb + name + ".exe"));
    ASSERT_TRUE(platform::copy_file(example, src + name + ".pb"));
    ASSERT_TRUE(platform::write_file(pb + name + ".ini", "LibrarySource = " + src + name + ".pb\r\n"));
  }
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::unique_ptr<platform::FileLock> held = platform::try_lock_file(std::string(temp) + "LibHammer.lock");
  ASSERT_NE(held, nullptr);
  const std::string waiting =
      "waiting for another LibHammer run, process " + std::to_string(GetCurrentProcessId()) + ", to finish";

  std::vector<PROCESS_INFORMATION> runs(names.size());
  SetEnvironmentVariableA("LH_FAKE_HHC_FAILS", "1");
  for (size_t i = 0; i < names.size(); ++i) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string program = pb + names[i] + ".exe", command = "\"" + program + "\"";
    ASSERT_TRUE(CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, pb.c_str(), &si,
                               &runs[i]));
    HWND w = nullptr;
    for (int t = 0; t < 6000 && !w; ++t) {
      // Each window is found as the one of its process.
      for (HWND h = FindWindowA(nullptr, "LibHammer 6"); h && !w;
           h = FindWindowExA(nullptr, h, nullptr, "LibHammer 6")) {
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        if (pid == runs[i].dwProcessId && IsWindowVisible(h)) w = h;
      }
      if (!w) Sleep(10);
    }
    ASSERT_NE(w, nullptr) << names[i];
    PostMessageA(GetDlgItem(w, 205), BM_CLICK, 0, 0);
    ASSERT_TRUE(wait_for_button_text(w, waiting)) << names[i] << ": " << gadget_text(w, 205);
    if (names[i] == "Gamma") PostMessageA(w, WM_CLOSE, 0, 0);  // cancels its build
  }
  SetEnvironmentVariableA("LH_FAKE_HHC_FAILS", nullptr);
  std::string said;
  ASSERT_TRUE(wait_answering_boxes(runs[2], said));
  held.reset();
  for (PROCESS_INFORMATION& pi : runs) {
    EXPECT_TRUE(wait_answering_boxes(pi, said)) << said;
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
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
  remove_tree(root);
}

}  // namespace
}  // namespace lh
