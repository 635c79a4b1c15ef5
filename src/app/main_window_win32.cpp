#include "app/main_window.h"

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include "platform/files.h"

namespace lh {

namespace {

enum GadgetId : int {
  kSourceButton = 201,
  kPureBasicLabel = 202,
  kTailBiteLabel = 203,
  kIncludeButton = 204,
  kCompileButton = 205,
};

constexpr int kClientWidth = 480;
constexpr int kClientHeight = 200;
constexpr char kWindowClass[] = "LibHammerMainWindow";

// What the window procedure saw of the message just dispatched; the loop
// acts on it after DispatchMessage returns, one event at a time, as the
// event loop of a single-threaded program does.
struct EventState {
  int gadget = 0;       // the gadget clicked, 0 for none
  bool closed = false;  // the close box or Alt+F4
};

EventState g_event;
HWND g_compile = nullptr;  // the COMPILE button, for the build's wait

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_COMMAND: {
      int id = LOWORD(wparam);
      int code = HIWORD(wparam);
      if (code == BN_CLICKED || code == STN_CLICKED) g_event.gadget = id;
      return 0;
    }
    case WM_CLOSE:
      // The loop decides what closing means; the window itself stays until
      // the process ends.
      g_event.closed = true;
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wparam, lparam);
  }
}

HWND make_gadget(HWND parent, const char* cls, DWORD style, int id, int y, int height, const std::string& text,
                 HFONT font) {
  HWND h = CreateWindowExA(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, 10, y, 460, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
  SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  return h;
}

std::string open_source_dialog(HWND owner) {
  char file[MAX_PATH * 4] = "";
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = "PureBasic\0*.pb\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrTitle = "Librairie";
  ofn.Flags = OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
  if (!GetOpenFileNameA(&ofn)) return "";
  return file;
}

std::string folder_dialog(HWND owner, const char* prompt) {
  BROWSEINFOA bi{};
  bi.hwndOwner = owner;
  bi.lpszTitle = prompt;
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX;
  PIDLIST_ABSOLUTE pidl = SHBrowseForFolderA(&bi);
  if (!pidl) return "";
  char path[MAX_PATH] = "";
  BOOL ok = SHGetPathFromIDListA(pidl, path);
  CoTaskMemFree(pidl);
  if (!ok || !path[0]) return "";
  std::string folder = path;
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

}  // namespace

bool run_main_window(AppState& state, const MainWindowHooks& hooks) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HINSTANCE instance = GetModuleHandleA(nullptr);

  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = window_proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kWindowClass;
  RegisterClassExA(&wc);

  // A title bar with the close box only: no minimise or maximise box, and a
  // border that cannot be dragged to resize.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  RECT r{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&r, style, FALSE, 0);
  int w = r.right - r.left, h = r.bottom - r.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  HWND window = CreateWindowExA(0, kWindowClass, "LibHammer 6", style, x, y, w, h, nullptr, nullptr, instance, nullptr);
  if (!window) return false;

  NONCLIENTMETRICSA ncm{};
  ncm.cbSize = sizeof ncm;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
  HFONT font = CreateFontIndirectA(&ncm.lfMessageFont);

  HWND source = make_gadget(window, "BUTTON", BS_PUSHBUTTON | BS_LEFT, kSourceButton, 10, 25,
                            " Source : " + state.library_source, font);
  HWND include = make_gadget(window, "BUTTON", BS_PUSHBUTTON | BS_LEFT, kIncludeButton, 40, 25,
                             " Include : " + state.include_folder, font);
  // The PureBasic label reports clicks, so an author whose .pb association
  // is missing can still point LibHammer at an installation.
  HWND pb_label = make_gadget(window, "STATIC", SS_LEFT | SS_NOTIFY, kPureBasicLabel, 80, 25,
                              " PB : " + state.purebasic_folder, font);
  HWND tb_label = make_gadget(window, "STATIC", SS_LEFT, kTailBiteLabel, 110, 25,
                              " TB : " + hooks.tailbite_path(state.purebasic_folder), font);
  HWND compile = make_gadget(window, "BUTTON", BS_PUSHBUTTON, kCompileButton, 140, 50, "COMPILE", font);
  g_compile = compile;

  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);

  bool built = false;
  MSG msg;
  for (;;) {
    if (hooks.before_wait) hooks.before_wait();
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) break;
    g_event = {};
    if (!IsDialogMessageA(window, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    switch (g_event.gadget) {
      case kSourceButton:
        state.library_source = open_source_dialog(window);
        SetWindowTextA(source, (" Source : " + state.library_source).c_str());
        break;
      case kIncludeButton:
        state.include_folder = folder_dialog(window, "Include");
        SetWindowTextA(include, (" Include : " + state.include_folder).c_str());
        break;
      case kPureBasicLabel: {
        std::string folder = folder_dialog(window, "PB");
        state.purebasic_folder = folder.empty() ? hooks.registry_lookup() : folder;
        SetWindowTextA(pb_label, (" PB : " + state.purebasic_folder).c_str());
        SetWindowTextA(tb_label, (" TB : " + hooks.tailbite_path(state.purebasic_folder)).c_str());
        break;
      }
      case kCompileButton:
        // The build runs on this thread: the window does not repaint until
        // the program ends. The button says so, painted now, before that.
        SetWindowTextA(compile, "Building...");
        UpdateWindow(compile);
        // Some window systems (Wine's) put what a window painted on the
        // screen only when its thread next looks for messages: a wait of
        // no time, which takes none, lets the caption show before the build
        // holds the thread.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
        hooks.build();
        built = true;
        break;
      default:
        break;
    }
    if (built) break;
    bool can_compile = platform::exists(state.library_source) && !state.purebasic_folder.empty() &&
                       !hooks.tailbite_path(state.purebasic_folder).empty();
    EnableWindow(compile, can_compile);
    if (g_event.closed) break;
  }
  DeleteObject(font);
  return built;
}

void show_build_wait(const std::string& text) {
  if (!g_compile) return;
  SetWindowTextA(g_compile, text.c_str());
  UpdateWindow(g_compile);
}

bool build_wait_cancelled() {
  MSG msg;
  g_event = {};
  bool closed = false;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) return true;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    closed = closed || g_event.closed;
  }
  g_event = {};
  return closed;
}

}  // namespace lh
