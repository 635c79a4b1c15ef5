// The installer program under Wine, as a library user meets it: packages
// are made from the real installer image, a stand-in PureBasic folder is
// registered as the .pb association, and the program is run both silently
// and through its window, which this test drives from outside the process:
// it finds the window, clicks the buttons, answers the folder dialog and
// reads and closes the message boxes.
#include <windows.h>
// After windows.h, which they build on.
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "package/packaging.h"
#include "pe/pe_resources.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "saved_registry_key_win32.h"

namespace {

using Files = std::map<std::string, std::string>;  // resource name -> bytes

std::string read(const std::string& path) {
  std::string s;
  lh::platform::read_file(path, s);
  return s;
}

std::string temp() {
  char buf[MAX_PATH];
  GetTempPathA(MAX_PATH, buf);
  return buf;
}

const Files kFull = {{"NAME", "Strings\r\n1.2\r\n"},
                     {"SOURCE", "ProcedureDLL Len2(s$)\r\nEndProcedure\r\n"},
                     {"SOURCE-TWEAKED", "; tweaked\r\n"},
                     {"LIBRARY", std::string("lib\0bytes", 9)},
                     {"CHM", "ITSF manual"},
                     {"RESIDENT", "resident"}};

void remove_tree(const std::string& folder) {
  for (const lh::platform::FolderEntry& e : lh::platform::list_folder(folder)) {
    if (e.is_folder) {
      remove_tree(folder + e.name + "\\");
    } else {
      lh::platform::set_read_only(folder + e.name, false);
      lh::platform::delete_file(folder + e.name);
    }
  }
  lh::platform::remove_folder(folder);
}

// A running installer and what the test sees of it.
struct Running {
  PROCESS_INFORMATION pi{};
  ~Running() {
    if (pi.hProcess) {
      if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 99);
      CloseHandle(pi.hProcess);
      CloseHandle(pi.hThread);
    }
  }
  int wait() {
    if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    return static_cast<int>(code);
  }
};

bool start(Running& r, const std::string& exe, const std::string& args = "") {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  std::string line = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
  return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &r.pi) != 0;
}

int run_silent(const std::string& exe, const std::string& args) {
  Running r;
  if (!start(r, exe, args)) return -2;
  return r.wait();
}

// Which kind of dialog a top-level "#32770" window is.
enum class Dialog { kAny, kMessageBox, kFolder };

struct Find {
  DWORD pid;
  const char* cls;
  Dialog kind;
  HWND found;
};

bool is_kind(HWND h, Dialog kind) {
  bool tree = FindWindowExA(h, nullptr, "SysTreeView32", nullptr) != nullptr;
  switch (kind) {
    case Dialog::kMessageBox:
      return !tree && GetDlgItem(h, 0xFFFF) != nullptr;
    case Dialog::kFolder:
      return tree;
    default:
      return true;
  }
}

BOOL CALLBACK match_window(HWND h, LPARAM l) {
  Find* f = reinterpret_cast<Find*>(l);
  DWORD owner = 0;
  GetWindowThreadProcessId(h, &owner);
  char name[64] = "";
  GetClassNameA(h, name, sizeof name);
  if (owner == f->pid && IsWindowVisible(h) && lstrcmpA(name, f->cls) == 0 && is_kind(h, f->kind)) {
    f->found = h;
    return FALSE;
  }
  return TRUE;
}

// A visible top-level window of the process with that class name.
HWND top_window(DWORD pid, const char* cls, Dialog kind = Dialog::kAny) {
  Find f{pid, cls, kind, nullptr};
  EnumWindows(match_window, reinterpret_cast<LPARAM>(&f));
  return f.found;
}

HWND wait_top_window(DWORD pid, const char* cls, Dialog kind = Dialog::kAny) {
  for (int i = 0; i < 1000; ++i) {
    if (HWND h = top_window(pid, cls, kind)) return h;
    Sleep(20);
  }
  return nullptr;
}

std::string text_of(HWND h) {
  char buf[4096] = "";
  GetWindowTextA(h, buf, sizeof buf);
  return buf;
}

HWND child_with_text(HWND parent, const char* text) { return FindWindowExA(parent, nullptr, "Button", text); }

// Returns once the installer's loop has handled a message posted now, and
// so every message posted before it: the loop runs its enabling rule as each
// message arrives, then dispatches it. The message is a highlight for
// `button`, seen from here once dispatched, then taken back.
bool round_trip(HWND button) {
  PostMessageA(button, BM_SETSTATE, TRUE, 0);
  bool seen = false;
  for (int i = 0; i < 1500 && !seen; ++i) {
    seen = (SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
    if (!seen) Sleep(20);
  }
  SendMessageA(button, BM_SETSTATE, FALSE, 0);
  return seen;
}

// The installer window's four buttons, found by caption.
struct Window {
  HWND main = nullptr, path = nullptr, install = nullptr, uninstall = nullptr, extract = nullptr;
};

Window wait_window(const Running& r) {
  Window w;
  w.main = wait_top_window(r.pi.dwProcessId, "LibHammerInstaller");
  if (!w.main) return w;
  w.install = child_with_text(w.main, "Install");
  w.uninstall = child_with_text(w.main, "Uninstall");
  w.extract = child_with_text(w.main, "Extract");
  for (HWND c = GetWindow(w.main, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (text_of(c).rfind("PureBasic Path = ", 0) == 0) w.path = c;
  // One message through the loop, so the enabling rule has run.
  if (w.extract) round_trip(w.extract);
  return w;
}

void click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

// A message box: caption and text, then closed with OK.
struct Box {
  std::string caption, text;
  bool seen = false;
};

Box answer_message_box(const Running& r) {
  Box b;
  HWND dlg = wait_top_window(r.pi.dwProcessId, "#32770", Dialog::kMessageBox);
  if (!dlg) return b;
  b.seen = true;
  b.caption = text_of(dlg);
  b.text = text_of(GetDlgItem(dlg, 0xFFFF));
  PostMessageA(dlg, WM_COMMAND, IDOK, 0);
  return b;
}

// Answers the folder dialog with `folder`: the path is put into the other
// process and the dialog told to select it, then OK is pressed.
bool answer_folder_dialog(const Running& r, const std::string& folder) {
  HWND dlg = wait_top_window(r.pi.dwProcessId, "#32770", Dialog::kFolder);
  if (!dlg) return false;
  // The dialog fills its tree after it appears: the root item is waited for.
  HWND tree = FindWindowExA(dlg, nullptr, "SysTreeView32", nullptr);
  for (int i = 0; i < 1000 && !SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0); ++i) Sleep(20);
  // Typed into the dialog's edit box, as a user may do; the tree is also
  // told to select it (the path is put into the other process for that).
  if (HWND edit = FindWindowExA(dlg, nullptr, "Edit", nullptr))
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
  void* remote = VirtualAllocEx(r.pi.hProcess, nullptr, folder.size() + 1, MEM_COMMIT, PAGE_READWRITE);
  if (!remote) return false;
  WriteProcessMemory(r.pi.hProcess, remote, folder.c_str(), folder.size() + 1, nullptr);
  // The selection is asked for until it has left the tree's root. Each
  // message is sent, so the dialog has handled it when SendMessage returns.
  for (int i = 0; i < 100; ++i) {
    SendMessageA(dlg, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(remote));
    LRESULT caret = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    if (caret && caret != SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)) break;
    Sleep(100);
  }
  PostMessageA(dlg, WM_COMMAND, IDOK, 0);
  // Wait until it has gone, so that the next dialog found is a new one.
  for (int i = 0; i < 500 && IsWindow(dlg); ++i) Sleep(20);
  return true;
}

class Installer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!lh::platform::read_file(LH_INSTALLER_EXE, image)) GTEST_SKIP() << "no installer image";
    root = temp() + "lh_installer_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
    remove_tree(root);
    pb = root + "PureBasic\\";
    out = root + "out\\";
    for (const std::string& f :
         {root, pb, pb + "PureLibraries", pb + "PureLibraries\\UserLibraries", pb + "Residents", out})
      lh::platform::create_folder(f);
    lh::platform::write_file(pb + "PureBasic.exe", "editor");
    lh::platform::delete_file(temp() + "name.txt");
    association.emplace("PureBasic.exe");
    register_purebasic(pb);
  }
  void TearDown() override {
    if (root.empty()) return;
    association.reset();  // the machine's own association comes back
    remove_tree(root);
  }

  void register_purebasic(const std::string& folder) {
    association->remove();
    if (folder.empty()) return;
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "PureBasic.exe\\DefaultIcon", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    std::string value = "\"" + folder + "PureBasic.exe\",0";
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
  }

  std::string package(const std::string& file_name, const Files& files) {
    std::string img = image;
    for (const char* name : {"NAME", "SOURCE", "LIBRARY", "CHM", "SOURCE-TWEAKED", "RESIDENT"}) {
      auto found = files.find(name);
      if (found != files.end()) {
        EXPECT_TRUE(lh::pe::add_rcdata(img, name, found->second, false));
      }
    }
    std::string exe = root + file_name;
    lh::platform::write_file(exe, img);
    return exe;
  }

  // Where Install puts each resource for library N.
  std::map<std::string, std::string> installed(const std::string& n) const {
    return {{"SOURCE", pb + "Library_Source\\" + n + ".pb"},
            {"SOURCE-TWEAKED", pb + "Library_Source\\" + n + "-Tweaked.pb"},
            {"LIBRARY", pb + "PureLibraries\\UserLibraries\\" + n},
            {"CHM", pb + "help\\" + n + ".chm"},
            {"RESIDENT", pb + "Residents\\" + n + ".res"}};
  }
  std::map<std::string, std::string> extracted(const std::string& n) const {
    return {{"SOURCE", out + n + ".pb"},
            {"SOURCE-TWEAKED", out + n + "-Tweaked.pb"},
            {"LIBRARY", out + n},
            {"CHM", out + n + ".chm"},
            {"RESIDENT", out + n + ".res"}};
  }
  void expect_files(const std::map<std::string, std::string>& where, const Files& files) {
    for (const auto& [res, path] : where) {
      auto found = files.find(res);
      if (found == files.end()) continue;
      EXPECT_EQ(read(path), found->second) << path;
    }
  }

  std::string image, root, pb, out;
  std::optional<lh::test::SavedRegistryKey> association;
};

// Every file directly or deeper inside `folder`.
int files_under(const std::string& folder) {
  int n = 0;
  for (const lh::platform::FolderEntry& e : lh::platform::list_folder(folder))
    n += e.is_folder ? files_under(folder + e.name + "\\") : 1;
  return n;
}

uint32_t u32(const std::string& s, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8 |
                               static_cast<unsigned char>(s[at + 2]) << 16 |
                               static_cast<unsigned char>(s[at + 3]) << 24);
}

// The resource directory's data entry of the resource whose bytes start at
// file offset `at`: found by its address (the offset turned into one
// through the section table) and its size.
size_t data_entry_of(const std::string& image, size_t at, uint32_t size) {
  uint32_t pe = u32(image, 0x3c);
  uint32_t count = static_cast<unsigned char>(image[pe + 6]);
  uint32_t table =
      pe + 24 + (static_cast<unsigned char>(image[pe + 20]) | static_cast<unsigned char>(image[pe + 21]) << 8);
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t h = table + i * 40, va = u32(image, h + 12), raw = u32(image, h + 20);
    if (at < raw || at >= raw + u32(image, h + 16)) continue;
    uint32_t rva = static_cast<uint32_t>(at - raw) + va;
    for (size_t e = 0; e + 8 <= image.size(); e += 4)
      if (u32(image, e) == rva && u32(image, e + 4) == size) return e;
  }
  return std::string::npos;
}

TEST_F(Installer, DamagedPackageIsRefusedBeforeAnythingIsWritten) {
  std::string exe = package("Strings (1.2) x86.exe", kFull);
  ASSERT_TRUE(lh::seal_installer(lh::platform::real_file_system(), exe));
  std::string sealed = read(exe);
  const std::string& chm = kFull.at("CHM");
  size_t chm_at = sealed.find(chm);
  ASSERT_NE(chm_at, std::string::npos);

  std::string changed = sealed;
  changed[chm_at + 3] ^= 0x01;
  std::string cut = sealed;  // the resource shorter than the seal says
  ASSERT_TRUE(lh::pe::add_rcdata(cut, "CHM", chm.substr(0, 4), false));
  // Its directory entry says the bytes run far past the end of the image:
  // damage the seal does not need to see, so the package is left unsealed.
  std::string outside = read(package("plain.exe", kFull));
  size_t entry = data_entry_of(outside, outside.find(chm), static_cast<uint32_t>(chm.size()));
  ASSERT_NE(entry, std::string::npos);
  outside[entry + 4] = outside[entry + 5] = outside[entry + 6] = '\x7f';

  const std::pair<std::string, std::string> cases[] = {{changed, "CHM: its bytes have changed"},
                                                       {cut, "CHM: 4 bytes instead of 11"},
                                                       {outside, "CHM: lies outside the program"}};
  for (const auto& [bytes, reason] : cases) {
    std::string damaged = root + "damaged.exe";
    lh::platform::write_file(damaged, bytes);
    EXPECT_EQ(run_silent(damaged, "/S /INSTALL"), 2) << reason;
    EXPECT_EQ(run_silent(damaged, "/S /EXTRACT \"" + out + "\""), 2) << reason;

    Running r;
    ASSERT_TRUE(start(r, damaged));
    Box b = answer_message_box(r);
    EXPECT_EQ(b.caption, "Damaged installer");
    EXPECT_NE(b.text.find(reason), std::string::npos) << b.text;
    EXPECT_EQ(r.wait(), 2);
    EXPECT_EQ(top_window(r.pi.dwProcessId, "LibHammerInstaller"), nullptr);

    // Nothing was written: no library file, no name file.
    EXPECT_EQ(files_under(pb), 1) << reason;  // PureBasic.exe alone
    EXPECT_EQ(files_under(out), 0) << reason;
    EXPECT_FALSE(lh::platform::exists(temp() + "name.txt")) << reason;
  }

  // The whole sealed package installs as an unsealed one does.
  EXPECT_EQ(run_silent(exe, "/S /INSTALL"), 0);
  expect_files(installed("Strings"), kFull);
}

TEST_F(Installer, SilentInstallUninstallExtract) {
  std::string exe = package("Strings (1.2) x86.exe", kFull);
  lh::platform::create_folder(pb + "help");
  lh::platform::write_file(pb + "help\\Strings.chw", "stale index");

  EXPECT_EQ(run_silent(exe, "/S /INSTALL"), 0);  // folder from the association
  expect_files(installed("Strings"), kFull);
  EXPECT_FALSE(lh::platform::exists(pb + "help\\Strings.chw"));
  EXPECT_EQ(read(temp() + "name.txt"), "Strings\r\n1.2\r\n");

  EXPECT_EQ(run_silent(exe, "/s /uninstall \"" + pb + "\\\""),
            0);  // given, and as scripts quote it
  for (const auto& [res, path] : installed("Strings")) EXPECT_FALSE(lh::platform::exists(path)) << path;
  EXPECT_TRUE(lh::platform::is_file(pb + "PureBasic.exe"));

  EXPECT_EQ(run_silent(exe, "/S /EXTRACT \"" + out + "\\\""), 0);
  expect_files(extracted("Strings"), kFull);

  EXPECT_EQ(run_silent(exe, "/S /EXTRACT \"" + root + "missing\""), 2);
  EXPECT_EQ(run_silent(exe, "/S /INSTALL \"" + out + "\""), 2);  // no PureBasic.exe there
  EXPECT_EQ(run_silent(exe, "/S /FROB"), 2);
}

TEST_F(Installer, WindowInstallsWithTheAssociationsFolder) {
  std::string exe = package("Strings (1.2) x86.exe", kFull);
  Running r;
  ASSERT_TRUE(start(r, exe));
  Window w = wait_window(r);
  ASSERT_NE(w.main, nullptr);
  EXPECT_EQ(text_of(w.main), "PureBasic Library : Strings 1.2");
  EXPECT_EQ(text_of(w.path), "PureBasic Path = " + pb);
  ASSERT_NE(w.install, nullptr);
  ASSERT_NE(w.uninstall, nullptr);
  ASSERT_NE(w.extract, nullptr);
  EXPECT_TRUE(IsWindowEnabled(w.install));
  RECT rc;
  GetClientRect(w.main, &rc);
  EXPECT_EQ(rc.right, 320);
  EXPECT_EQ(rc.bottom, 90);

  click(w.install);
  Box b = answer_message_box(r);
  EXPECT_EQ(b.caption, "Strings 1.2");
  EXPECT_EQ(b.text, "Installed");
  EXPECT_EQ(r.wait(), 0);
  expect_files(installed("Strings"), kFull);

  Running u;
  ASSERT_TRUE(start(u, exe));
  w = wait_window(u);
  click(w.uninstall);
  b = answer_message_box(u);
  EXPECT_EQ(b.text, "Uninstalled");
  EXPECT_EQ(u.wait(), 0);
  for (const auto& [res, path] : installed("Strings")) EXPECT_FALSE(lh::platform::exists(path)) << path;
}

TEST_F(Installer, WindowChoosesFoldersAndExtracts) {
  register_purebasic("");  // no association: Install and Uninstall stay off
  std::string exe = package("Strings (1.2) x86.exe", kFull);
  Running r;
  ASSERT_TRUE(start(r, exe));
  Window w = wait_window(r);
  ASSERT_NE(w.main, nullptr);
  EXPECT_EQ(text_of(w.path), "PureBasic Path = ");
  EXPECT_FALSE(IsWindowEnabled(w.install));
  EXPECT_FALSE(IsWindowEnabled(w.uninstall));
  EXPECT_TRUE(IsWindowEnabled(w.extract));

  // A folder without PureBasic.exe is refused and changes nothing.
  click(w.path);
  ASSERT_TRUE(answer_folder_dialog(r, out.substr(0, out.size() - 1)));
  Box b = answer_message_box(r);
  EXPECT_EQ(b.caption, "Error");
  EXPECT_EQ(b.text, out + "\r\nis not a valid PureBasic Path");
  ASSERT_TRUE(round_trip(w.extract));  // the click has been handled to its end
  EXPECT_EQ(text_of(w.path), "PureBasic Path = ");

  // The stand-in PureBasic folder is taken, and enables Install.
  click(w.path);
  ASSERT_TRUE(answer_folder_dialog(r, pb.substr(0, pb.size() - 1)));
  ASSERT_TRUE(round_trip(w.extract));  // the click has been handled to its end
  EXPECT_EQ(text_of(w.path), "PureBasic Path = " + pb);
  EXPECT_TRUE(IsWindowEnabled(w.install));

  click(w.extract);
  ASSERT_TRUE(answer_folder_dialog(r, out.substr(0, out.size() - 1)));
  b = answer_message_box(r);
  EXPECT_EQ(b.text, "Extracted");
  EXPECT_EQ(r.wait(), 0);
  expect_files(extracted("Strings"), kFull);
}

TEST_F(Installer, MissingResidentLeavesTheOldOneAlone) {
  Files files = kFull;
  files.erase("RESIDENT");
  std::string exe = package("Strings (1.2) x86.exe", files);
  lh::platform::write_file(pb + "Residents\\Strings.res", "older resident");
  EXPECT_EQ(run_silent(exe, "/S /INSTALL"), 0);
  expect_files(installed("Strings"), files);
  EXPECT_EQ(read(pb + "Residents\\Strings.res"), "older resident");
}

TEST_F(Installer, WithoutNameNeverTrustsAStaleNameFile) {
  Files files = kFull;
  files.erase("NAME");
  // Another package's name file is still in the temporary folder.
  lh::platform::write_file(temp() + "name.txt", "Wrong\r\n9.9\r\n");
  std::string exe = package("Other (2.0) x86 (1).exe", files);
  Running r;
  ASSERT_TRUE(start(r, exe));
  Window w = wait_window(r);
  ASSERT_NE(w.main, nullptr);
  EXPECT_EQ(text_of(w.main), "PureBasic Library : Other 2.0");
  EXPECT_TRUE(IsWindowEnabled(w.install));
  PostMessageA(w.main, WM_CLOSE, 0, 0);
  EXPECT_EQ(r.wait(), 0);

  EXPECT_EQ(run_silent(exe, "/S /INSTALL"), 0);
  expect_files(installed("Other"), files);
  EXPECT_FALSE(lh::platform::exists(pb + "Library_Source\\Wrong.pb"));
  EXPECT_EQ(read(temp() + "name.txt"), "Wrong\r\n9.9\r\n");  // not ours: left alone

  // A file name that names no library: nothing can be installed or removed.
  std::string bare = package("setup.exe", files);
  Running s;
  ASSERT_TRUE(start(s, bare));
  w = wait_window(s);
  ASSERT_NE(w.main, nullptr);
  EXPECT_EQ(text_of(w.main), "PureBasic Library :  ");
  EXPECT_FALSE(IsWindowEnabled(w.install));
  EXPECT_FALSE(IsWindowEnabled(w.uninstall));
  click(w.install);  // ignored
  PostMessageA(w.main, WM_CLOSE, 0, 0);
  EXPECT_EQ(s.wait(), 0);  // the click came first: it has been handled
  EXPECT_FALSE(lh::platform::exists(pb + "Library_Source\\.pb"));
  EXPECT_EQ(run_silent(bare, "/S /INSTALL"), 2);
}

// Every file directly or deeper inside `folder`, with its bytes.
std::map<std::string, std::string> contents_under(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const lh::platform::FolderEntry& e : lh::platform::list_folder(folder)) {
    if (e.is_folder) {
      files.merge(contents_under(folder + e.name + "\\"));
    } else {
      files[folder + e.name] = read(folder + e.name);
    }
  }
  return files;
}

// Makes a folder unwritable for everyone, root included: the Unix side's
// immutable flag (chattr), which Wine's read-only attribute on a folder does
// not give. chattr is a Unix program, which Wine starts but does not wait
// for: the folder is watched until no file can be made in it. False when
// this file system refuses the flag.
bool make_unwritable(const std::string& folder, bool on) {
  std::string unix_folder = folder.substr(2);  // "Z:\..." when under the Z: drive
  for (char& c : unix_folder)
    if (c == '\\') c = '/';
  char* unix_path = nullptr;
  if (folder.rfind("Z:", 0) != 0) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto to_unix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide, MAX_PATH);
    if (!to_unix || !(unix_path = to_unix(wide))) return false;
    unix_folder = unix_path;
    HeapFree(GetProcessHeap(), 0, unix_path);
  }
  Running r;
  if (!start(r, "Z:\\usr\\bin\\chattr", std::string(on ? "+i" : "-i") + " \"" + unix_folder + "\"")) return false;
  // A new name each time: a probe made just before the flag took hold
  // cannot be deleted until it is lifted again.
  for (int i = 0; i < 500; ++i) {
    const std::string probe = folder + "probe" + std::to_string(i) + ".tmp";
    HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
      DeleteFileA(probe.c_str());
    }
    if ((h == INVALID_HANDLE_VALUE) == on) {
      for (const lh::platform::FolderEntry& e : lh::platform::list_folder(folder))
        if (!on && e.name.rfind("probe", 0) == 0) lh::platform::delete_file(folder + e.name);
      return true;
    }
    Sleep(20);
  }
  return false;
}

// An action that cannot write or delete one file changes nothing: no file
// of the new library stays, the old library is untouched, and the message
// names the file and the reason. Each case starts with version 1.1
// installed (and the help viewer's index beside its manual) and 1.2 packaged.
class FailedAction : public Installer {
 protected:
  void SetUp() override {
    Installer::SetUp();
    if (IsSkipped()) return;
    Files old;
    for (const auto& [res, bytes] : kFull) old[res] = res == "NAME" ? bytes : "old " + res;
    ASSERT_EQ(run_silent(package("Strings (1.1) x86.exe", old), "/S /INSTALL"), 0);
    lh::platform::write_file(pb + "help\\Strings.chw", "the viewer's index");
    before = contents_under(pb);
    exe = package("Strings (1.2) x86.exe", kFull);
  }

  // What pressing a button of the new package's window came to: the
  // message box it answered with, and the program's exit code.
  struct Pressed {
    Box box;
    int exit_code = -1;
  };
  Pressed press_in_window(HWND Window::*button) {
    Pressed p;
    Running r;
    if (!start(r, exe)) {
      ADD_FAILURE() << "the installer did not start";
      return p;
    }
    Window w = wait_window(r);
    if (!w.main) {
      ADD_FAILURE() << "the installer's window did not open";
      return p;
    }
    click(w.*button);
    p.box = answer_message_box(r);
    p.exit_code = r.wait();
    return p;
  }

  // Once the cause is gone, the install goes through whole, with no
  // temporary file of the failed action left.
  void expect_install_goes_through() {
    EXPECT_EQ(run_silent(exe, "/S /INSTALL"), 0);
    expect_files(installed("Strings"), kFull);
    EXPECT_EQ(contents_under(pb).size(), before.size() - 1);  // the viewer's index is gone
  }

  std::map<std::string, std::string> before;  // every file under the PureBasic folder, with its bytes
  std::string exe;                            // the 1.2 package
};

// A file held open without sharing, as an editor that has it open would.
TEST_F(FailedAction, InstallOverALockedFileChangesNothing) {
  std::string locked = pb + "Library_Source\\Strings.pb";
  HANDLE lock = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  Pressed install = press_in_window(&Window::install);
  const Box& b = install.box;
  EXPECT_EQ(b.caption, "Strings 1.2");
  EXPECT_NE(b.text.find("nothing was changed"), std::string::npos) << b.text;
  EXPECT_NE(b.text.find("Could not write " + locked + ": "), std::string::npos) << b.text;
  EXPECT_EQ(b.text.find("Strings-Tweaked.pb"), std::string::npos) << b.text;
  EXPECT_EQ(install.exit_code, 3);
  EXPECT_EQ(run_silent(exe, "/S /INSTALL"), 3);
  CloseHandle(lock);
  EXPECT_EQ(contents_under(pb), before);
  expect_install_goes_through();
}

// The help folder cannot be written in (made writable again however the
// test ends, so that the folder can be removed).
TEST_F(FailedAction, InstallAndUninstallInAnUnwritableFolderChangeNothing) {
  struct Unwritable {
    std::string folder;
    bool on = make_unwritable(folder, true);
    ~Unwritable() {
      if (on) make_unwritable(folder, false);
    }
  };
  Unwritable help{pb + "help\\"};
  if (!help.on) GTEST_SKIP() << "unwritable help folder: the file system refuses chattr +i";
  Pressed install = press_in_window(&Window::install);
  EXPECT_NE(install.box.text.find("Could not write " + pb + "help\\Strings.chm: "), std::string::npos)
      << install.box.text;
  EXPECT_EQ(install.exit_code, 3);
  EXPECT_EQ(run_silent(exe, "/S /UNINSTALL"), 3);  // its files cannot be deleted either
  help.on = false;
  ASSERT_TRUE(make_unwritable(pb + "help\\", false));
  EXPECT_EQ(contents_under(pb), before);
  expect_install_goes_through();
}

// Uninstall meets a read-only file: every file stays.
TEST_F(FailedAction, UninstallMeetingAReadOnlyFileKeepsEveryFile) {
  std::string resident = pb + "Residents\\Strings.res";
  lh::platform::set_read_only(resident, true);
  Pressed uninstall = press_in_window(&Window::uninstall);
  const Box& b = uninstall.box;
  EXPECT_NE(b.text.find("Could not delete " + resident + ": the file is read-only"), std::string::npos) << b.text;
  EXPECT_EQ(b.text.find("Uninstalled"), std::string::npos);
  EXPECT_EQ(uninstall.exit_code, 3);
  lh::platform::set_read_only(resident, false);
  EXPECT_EQ(contents_under(pb), before);
  expect_install_goes_through();
}

}  // namespace
