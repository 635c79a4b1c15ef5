// The installer program: one small window with which a PureBasic user
// installs the library carried in this program's resources, removes it
// again, or extracts its files into a folder. Started as
//   installer /S /INSTALL [PUREBASIC_FOLDER]
//   installer /S /UNINSTALL [PUREBASIC_FOLDER]
//   installer /S /EXTRACT FOLDER
// it does the same work without any window or message box.
//
// Each action is all or nothing: when one file cannot be written or deleted,
// what the action did is undone and the message names that file and why.
//
// Exit status: 0 when the work was done (or the window was just closed),
// 3 when a file could not be written or deleted and the action was undone,
// 1 when the action was done but a file could not be tidied away (an old
// copy) or not put back, 2 when the work could not start (bad arguments, no
// PureBasic folder, no library name, a damaged package).

#include <windows.h>
// After windows.h, which they build on.
#include <commctrl.h>
#include <shlobj.h>
#include <stdlib.h>

#include "installer/package_files.h"

using namespace installer;

namespace {

enum Gadget { kInstall = 0, kUninstall = 1, kExtract = 2, kPath = 3 };
constexpr int kIdBase = 1000;  // control ids stay clear of IDOK / IDCANCEL
constexpr char kPathCaption[] = "PureBasic Path = ";

char g_name[kPathMax];
char g_version[kPathMax];
char g_purebasic[kPathMax];
HWND g_window;
HWND g_buttons[4];
int g_exit_code;

bool same_ignoring_case(const char* a, const char* b) { return lstrcmpiA(a, b) == 0; }

// Copies one line of `data` starting at `*at` into `out` (without its end),
// moving `*at` past the line end: CR LF, a lone LF or CR, or NUL.
void take_line(const char* data, DWORD size, DWORD* at, char* out) {
  int n = 0;
  while (*at < size) {
    char c = data[*at];
    ++*at;
    if (c == '\r') {
      if (*at < size && data[*at] == '\n') ++*at;
      break;
    }
    if (c == '\n' || c == 0) break;
    if (n < kPathMax - 1) out[n++] = c;
  }
  out[n] = 0;
}

// Library name and version. The NAME resource is written to the temporary
// folder's "name.txt" as before, but the name is taken from this program's
// own resource, never from a name file that another package left there.
// Without NAME the program's own file name gives them: "Strings (1.2)
// x86.exe" names library Strings, version 1.2.
void read_name() {
  g_name[0] = g_version[0] = 0;
  DWORD size = 0;
  const char* data = resource_bytes("Name", &size);
  if (data) {
    char name_file[kPathMax];
    DWORD len = GetTempPathA(kPathMax - 16, name_file);
    if (len == 0 || len >= kPathMax - 16) name_file[0] = 0;
    path_add(name_file, "name.txt");
    extract_resource("Name", name_file);
    DWORD at = 0;
    take_line(data, size, &at, g_name);
    take_line(data, size, &at, g_version);
    return;
  }
  char own[kPathMax];
  DWORD len = GetModuleFileNameA(nullptr, own, kPathMax);
  if (len == 0 || len >= kPathMax) return;
  const char* base = own;
  for (const char* p = own; *p; ++p)
    if (*p == '\\' || *p == '/') base = p + 1;
  const char* open = nullptr;
  for (const char* p = base; p[0] && p[1]; ++p)
    if (p[0] == ' ' && p[1] == '(') {
      open = p;
      break;
    }
  if (!open) return;
  lstrcpynA(g_name, base, static_cast<int>(open - base) + 1);
  const char* v = open + 2;
  int n = 0;
  while (v[n] && v[n] != ')' && n < kPathMax - 1) ++n;
  if (v[n] == ')') lstrcpynA(g_version, v, n + 1);
}

// The PureBasic folder from the .pb association: the editor's icon value,
// cut at its first ",", up to and including the last separator.
void lookup_purebasic(char* out) {
  out[0] = 0;
  OSVERSIONINFOA version;
  ZeroMemory(&version, sizeof version);
  version.dwOSVersionInfoSize = sizeof version;
  bool older = false;
  if (GetVersionExA(&version)) {
    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) older = true;  // 95, 98, Me
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 3 && version.dwMajorVersion <= 5)
      older = true;  // NT 3 and 4, 2000, XP, Server 2003
  }
  const char* key_name = older ? "Applications\\PureBasic.exe\\DefaultIcon\\" : "PureBasic.exe\\DefaultIcon\\";
  char value[256];
  FillMemory(value, 255, ' ');
  value[255] = 0;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key_name, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    DWORD size = 255;
    RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
  }
  for (char* p = value; *p; ++p)
    if (*p == ',') {
      *p = 0;
      break;
    }
  const char* p = value;
  if (*p == '"') ++p;
  int end = 0;
  for (int i = 0; p[i] && p[i] != '|'; ++i)
    if (p[i] == '\\' || p[i] == '/') end = i + 1;
  lstrcpynA(out, p, end + 1);
}

void add_separator(char* folder) {
  int n = lstrlenA(folder);
  if (n > 0 && folder[n - 1] != '\\' && folder[n - 1] != '/') path_add(folder, "\\");
}

bool is_folder(const char* path) {
  DWORD a = GetFileAttributesA(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool is_purebasic_folder(const char* folder) {
  char editor[kPathMax];
  path_set(editor, folder);
  path_add(editor, "PureBasic.exe");
  return GetFileAttributesA(editor) != INVALID_FILE_ATTRIBUTES;
}

bool can_change_installation() { return g_purebasic[0] != 0 && g_name[0] != 0; }

// The folder dialog; the answer ends in "\" (empty on cancel).
void choose_folder(const char* prompt, char* answer) {
  answer[0] = 0;
  BROWSEINFOA info;
  ZeroMemory(&info, sizeof info);
  char display[MAX_PATH];
  info.hwndOwner = g_window;
  info.pszDisplayName = display;
  info.lpszTitle = prompt;
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX;
  LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
  if (!chosen) return;
  char path[MAX_PATH];
  if (SHGetPathFromIDListA(chosen, path)) {
    path_set(answer, path);
    add_separator(answer);
  }
  CoTaskMemFree(chosen);
}

void caption(char* out) {
  path_set(out, g_name);
  path_add(out, " ");
  path_add(out, g_version);
}

int exit_code_of(const Outcome& out) { return out.failed == 0 ? 0 : out.rolled_back ? 3 : 1; }

// Tells how an action went: the plain word when every file was done, else
// which files failed, with an error icon.
void report(const char* done, const char* undone, const char* incomplete, const Outcome& out) {
  char title[kPathMax];
  caption(title);
  if (out.failed == 0) {
    MessageBoxA(g_window, done, title, MB_OK | MB_ICONINFORMATION);
    return;
  }
  g_exit_code = exit_code_of(out);
  static Text text;
  text_clear(text);
  text_add(text, out.rolled_back ? undone : incomplete);
  text_add(text, "\r\n\r\n");
  text_add(text, out.failures.s);
  MessageBoxA(g_window, text.s, title, MB_OK | MB_ICONERROR);
}

void on_button(int gadget) {
  static Outcome out;
  switch (gadget) {
    case kPath: {
      char answer[kPathMax];
      choose_folder("PureBasic Path", answer);
      if (!answer[0]) return;
      if (!is_purebasic_folder(answer)) {
        char text[kPathMax];
        path_set(text, answer);
        path_add(text, "\r\nis not a valid PureBasic Path");
        MessageBoxA(g_window, text, "Error", MB_OK);
        return;
      }
      path_set(g_purebasic, answer);
      char label[kPathMax];
      path_set(label, kPathCaption);
      path_add(label, g_purebasic);
      SetWindowTextA(g_buttons[kPath], label);
      return;
    }
    case kInstall:
      if (!can_change_installation()) return;
      install(g_purebasic, g_name, out);
      report("Installed", "The library was not installed; nothing was changed.",
             "The library was installed, but not everything went as it should.", out);
      DestroyWindow(g_window);
      return;
    case kUninstall:
      if (!can_change_installation()) return;
      uninstall(g_purebasic, g_name, out);
      report("Uninstalled", "The library was not removed; nothing was changed.",
             "The library was removed, but not everything went as it should.", out);
      DestroyWindow(g_window);
      return;
    case kExtract: {
      char answer[kPathMax];
      choose_folder("Extract library to", answer);
      if (!answer[0] || !is_folder(answer)) return;
      extract(answer, g_name, out);
      report("Extracted", "The library was not extracted; nothing was changed.",
             "The library was extracted, but not everything went as it should.", out);
      DestroyWindow(g_window);
      return;
    }
  }
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(w) == BN_CLICKED && LOWORD(w) >= kIdBase && LOWORD(w) <= kIdBase + kPath)
        on_button(LOWORD(w) - kIdBase);
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(g_exit_code);
      return 0;
  }
  return DefWindowProcA(window, message, w, l);
}

// Install and Uninstall are usable only with a PureBasic folder (and a
// library name); checked as each message arrives, before it is handled.
void update_enabling() {
  BOOL on = can_change_installation();
  EnableWindow(g_buttons[kInstall], on);
  EnableWindow(g_buttons[kUninstall], on);
}

int run_window(HINSTANCE instance) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  WNDCLASSA wc;
  ZeroMemory(&wc, sizeof wc);
  wc.lpfnWndProc = window_proc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "LibHammerInstaller";
  RegisterClassA(&wc);

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  RECT area = {0, 0, 320, 90};
  AdjustWindowRect(&area, style, FALSE);
  int width = area.right - area.left, height = area.bottom - area.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;

  char title[kPathMax];
  path_set(title, "PureBasic Library : ");
  path_add(title, g_name);
  path_add(title, " ");
  path_add(title, g_version);
  g_window =
      CreateWindowExA(0, wc.lpszClassName, title, style, x, y, width, height, nullptr, nullptr, instance, nullptr);
  if (!g_window) return 2;

  struct ButtonPlace {
    Gadget gadget;
    int x, y, w, h;
    const char* text;
  };
  char path_label[kPathMax];
  path_set(path_label, kPathCaption);
  path_add(path_label, g_purebasic);
  const ButtonPlace places[] = {{kPath, 10, 10, 300, 30, path_label},
                                {kInstall, 10, 50, 93, 30, "Install"},
                                {kUninstall, 113, 50, 93, 30, "Uninstall"},
                                {kExtract, 216, 50, 93, 30, "Extract"}};
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (const ButtonPlace& s : places) {
    HWND b =
        CreateWindowExA(0, "BUTTON", s.text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, s.x, s.y, s.w, s.h,
                        g_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdBase + s.gadget)), instance, nullptr);
    SendMessageA(b, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    g_buttons[s.gadget] = b;
  }
  ShowWindow(g_window, SW_SHOW);
  UpdateWindow(g_window);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    update_enabling();
    if (!IsDialogMessageA(g_window, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  CoUninitialize();
  return g_exit_code;
}

void say(const char* text) {
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  DWORD written;
  if (err && err != INVALID_HANDLE_VALUE) WriteFile(err, text, lstrlenA(text), &written, nullptr);
}

int fail_silently(const char* reason) {
  say(reason);
  say("\r\n");
  return 2;
}

// The silent mode: argv[2] names the action, argv[3] the folder.
int run_silent(int argc, char** argv) {
  if (argc < 3 || argc > 4)
    return fail_silently("usage: /S /INSTALL|/UNINSTALL [PUREBASIC_FOLDER] | /S /EXTRACT FOLDER");
  const char* action = argv[2];
  char folder[kPathMax];
  folder[0] = 0;
  if (argc == 4) {
    path_set(folder, argv[3]);
    // "C:\Folder\" typed in a script reaches us as C:\Folder" (the last
    // backslash escaped the quote); the quote is not part of the folder.
    int n = lstrlenA(folder);
    if (n > 0 && folder[n - 1] == '"') folder[n - 1] = 0;
    add_separator(folder);
  }
  Outcome out;
  if (same_ignoring_case(action, "/EXTRACT")) {
    if (!folder[0] || !is_folder(folder)) return fail_silently("the folder to extract to does not exist");
    extract(folder, g_name, out);
  } else if (same_ignoring_case(action, "/INSTALL") || same_ignoring_case(action, "/UNINSTALL")) {
    if (!folder[0]) path_set(folder, g_purebasic);
    if (!folder[0]) return fail_silently("no PureBasic folder: none is registered and none was given");
    if (!is_purebasic_folder(folder)) {
      say(folder);
      return fail_silently(" is not a valid PureBasic Path");
    }
    if (!g_name[0]) return fail_silently("this package does not name its library");
    if (same_ignoring_case(action, "/INSTALL"))
      install(folder, g_name, out);
    else
      uninstall(folder, g_name, out);
  } else {
    return fail_silently("unknown action; expected /INSTALL, /UNINSTALL or /EXTRACT");
  }
  if (out.failed == 0) return 0;
  say(out.rolled_back ? "nothing was changed:\r\n" : "done, but:\r\n");
  say(out.failures.s);
  return exit_code_of(out);
}

// A damaged package is refused before anything is written (the name file
// included): in a message box, or on standard error in the silent mode.
int refuse_damaged(const Text& problem, bool silent) {
  static Text text;
  text_clear(text);
  text_add(text, "This installer is damaged. It installs and extracts nothing.\r\n\r\n");
  text_add(text, problem.s);
  text_add(text, "\r\nPlease get a new copy of it.");
  if (silent) {
    say(text.s);
    say("\r\n");
  } else {
    MessageBoxA(nullptr, text.s, "Damaged installer", MB_OK | MB_ICONERROR);
  }
  return 2;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  bool silent = __argc >= 2 && same_ignoring_case(__argv[1], "/S");
  static Text problem;
  if (!check_own_package(problem)) return refuse_damaged(problem, silent);
  read_name();
  lookup_purebasic(g_purebasic);
  if (silent) return run_silent(__argc, __argv);
  return run_window(instance);
}
