#include "app/main_window.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <exception>
#include <functional>
#include <memory>
#include <thread>

#include "base/cancellation.h"
#include "base/reporter.h"
#include "base/version.h"
#include "platform/files.h"

namespace lh {

namespace {

enum GadgetId : int {
  kSourceButton = 201,
  kPureBasicLabel = 202,
  kTailBiteLabel = 203,
  kIncludeButton = 204,
  kCompileButton = 205,
  // In COMPILE's place while the run goes on.
  kCancelButton = 206,
  kProgressBar = 207,
  kStepLine = 208,
};

constexpr int kClientWidth = 480;
constexpr int kClientHeight = 200;
constexpr char kWindowClass[] = "LibHammerMainWindow";

// Sent by the run's thread: lParam points to a std::function<void()> that
// the window's thread calls. SendMessage returns once it has returned.
constexpr UINT kCallMessage = WM_APP + 1;
// Posted by the run's thread as its last act.
constexpr UINT kRunEndedMessage = WM_APP + 2;

// What the window procedure saw of the message just dispatched; the loop
// acts on it after DispatchMessage returns, one event at a time.
struct EventState {
  int gadget = 0;       // the gadget clicked, 0 for none
  bool closed = false;  // the close box or Alt+F4
};

EventState g_event;
bool g_run_ended = false;  // the run's thread has posted its end

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
    case kCallMessage:
      (*reinterpret_cast<const std::function<void()>*>(lparam))();
      return 0;
    case kRunEndedMessage:
      g_run_ended = true;
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wparam, lparam);
  }
}

HWND make_gadget(HWND parent, const char* cls, DWORD style, int id, RECT place, const std::string& text, HFONT font) {
  HWND h = CreateWindowExA(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, place.left, place.top,
                           place.right - place.left, place.bottom - place.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
  SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  return h;
}

// One of the five gadgets of the window's first state: 460 wide at x = 10.
HWND make_gadget(HWND parent, const char* cls, DWORD style, int id, int y, int height, const std::string& text,
                 HFONT font) {
  return make_gadget(parent, cls, style, id, RECT{10, y, 470, y + height}, text, font);
}

// The reporter of the run's thread: every call is carried out by the
// window's thread (boxes owned by the window, the progress gadgets), and
// returns when that is done. Called on the window's own thread it works the
// same way, directly.
class WindowReporter final : public Reporter {
 public:
  WindowReporter(HWND window, HWND bar, HWND line, HWND cancel, const Cancellation& stop)
      : window_(window), bar_(bar), line_(line), cancel_(cancel), stop_(stop) {}

  void tell(const std::string& caption, const std::string& text, MessageIcon icon) override {
    const UINT type = MB_OK | (icon == MessageIcon::kError ? MB_ICONERROR : MB_ICONINFORMATION);
    on_window_thread([&] { MessageBoxA(window_, text.c_str(), caption.c_str(), type); });
  }

  void progress(const BuildProgress& p) override {
    on_window_thread([&] {
      SendMessageA(bar_, PBM_SETRANGE32, 0, p.total);
      SendMessageA(bar_, PBM_SETPOS, static_cast<WPARAM>(p.done), 0);
      // Once a stop is asked for, the line keeps saying "Stopping..." until
      // the run has ended: the step that was running may still report.
      if (!stop_.requested()) SetWindowTextA(line_, p.line.c_str());
      // At the end there is nothing left to stop.
      if (p.done >= p.total) EnableWindow(cancel_, FALSE);
    });
  }

  bool ask(const std::string& caption, const std::string& text) override {
    bool yes = false;
    on_window_thread(
        [&] { yes = MessageBoxA(window_, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES; });
    return yes;
  }

 private:
  void on_window_thread(const std::function<void()>& call) {
    SendMessageA(window_, kCallMessage, 0, reinterpret_cast<LPARAM>(&call));
  }

  HWND window_, bar_, line_, cancel_;
  const Cancellation& stop_;
};

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

// The window and the gadgets of its first state.
struct Gadgets {
  HINSTANCE instance = nullptr;
  HWND window = nullptr, source = nullptr, include = nullptr, pb_label = nullptr, tb_label = nullptr, compile = nullptr;
  HFONT font = nullptr;
};

void register_window_class(HINSTANCE instance) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = window_proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kWindowClass;
  RegisterClassExA(&wc);
}

// The window, centred on the screen, not yet shown; null when it cannot be
// made.
HWND create_main_window(HINSTANCE instance) {
  // A title bar with the close box only: no minimise or maximise box, and a
  // border that cannot be dragged to resize.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  RECT r{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&r, style, FALSE, 0);
  int w = r.right - r.left, h = r.bottom - r.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  return CreateWindowExA(0, kWindowClass, kProgramNameAndVersion, style, x, y, w, h, nullptr, nullptr, instance,
                         nullptr);
}

// The font Windows uses for message boxes, for every gadget.
HFONT message_font() {
  NONCLIENTMETRICSA ncm{};
  ncm.cbSize = sizeof ncm;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
  return CreateFontIndirectA(&ncm.lfMessageFont);
}

void make_first_gadgets(Gadgets& g, const AppState& state, const MainWindowHooks& hooks) {
  g.source = make_gadget(g.window, "BUTTON", BS_PUSHBUTTON | BS_LEFT, kSourceButton, 10, 25,
                         " Source : " + state.library_source, g.font);
  g.include = make_gadget(g.window, "BUTTON", BS_PUSHBUTTON | BS_LEFT, kIncludeButton, 40, 25,
                          " Include : " + state.include_folder, g.font);
  // The PureBasic label reports clicks, so an author whose .pb association
  // is missing can still point LibHammer at an installation.
  g.pb_label = make_gadget(g.window, "STATIC", SS_LEFT | SS_NOTIFY, kPureBasicLabel, 80, 25,
                           " PB : " + state.purebasic_folder, g.font);
  g.tb_label = make_gadget(g.window, "STATIC", SS_LEFT, kTailBiteLabel, 110, 25,
                           " TB : " + hooks.tailbite_path(state.purebasic_folder), g.font);
  g.compile = make_gadget(g.window, "BUTTON", BS_PUSHBUTTON, kCompileButton, 140, 50, "COMPILE", g.font);
}

// The run COMPILE starts: its thread, the gadgets in COMPILE's place, and
// what stops it.
struct Run {
  std::thread thread;
  bool running = false;
  Cancellation cancel;
  HWND cancel_button = nullptr, step_line = nullptr;
  std::unique_ptr<WindowReporter> reporter;
};

// The first gadgets are turned off and COMPILE gives its place to the bar
// over the steps, the step's line under it and Cancel beside them; then the
// run's thread starts.
void start_run(const Gadgets& g, const MainWindowHooks& hooks, Run& run) {
  for (HWND gadget : {g.source, g.include, g.pb_label, g.tb_label}) EnableWindow(gadget, FALSE);
  ShowWindow(g.compile, SW_HIDE);
  HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 10, 142, 370, 20, g.window,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kProgressBar)), g.instance, nullptr);
  run.step_line = make_gadget(g.window, "STATIC", SS_LEFT | SS_ENDELLIPSIS | SS_NOPREFIX, kStepLine,
                              RECT{10, 168, 380, 190}, "Starting the build", g.font);
  run.cancel_button =
      make_gadget(g.window, "BUTTON", BS_PUSHBUTTON, kCancelButton, RECT{390, 140, 470, 190}, "Cancel", g.font);
  SetFocus(run.cancel_button);
  run.reporter = std::make_unique<WindowReporter>(g.window, bar, run.step_line, run.cancel_button, run.cancel);
  g_run_ended = false;
  run.running = true;
  run.thread = std::thread([&hooks, &cancel = run.cancel, window = g.window, r = run.reporter.get()] {
    // Whatever happens in the run, the window must hear of its end.
    try {
      hooks.build(*r, cancel);
    } catch (...) {
    }
    PostMessageA(window, kRunEndedMessage, 0, 0);
  });
}

// The window says so first: once requested, the run may end at once.
void stop_run(Run& run) {
  if (run.cancel.requested()) return;
  EnableWindow(run.cancel_button, FALSE);
  SetWindowTextA(run.step_line, "Stopping...");
  run.cancel.request();
}

// The event just dispatched, while the run goes on: Cancel (or Escape,
// which reaches the window as IDCANCEL) stops it, the close box asks first.
// True once the run has ended and its thread is joined.
bool run_ended_after_event(Run& run) {
  if (g_event.gadget == kCancelButton || g_event.gadget == IDCANCEL) stop_run(run);
  if (g_event.closed && !run.cancel.requested() &&
      run.reporter->ask("LibHammer",
                        "A build is running. Stop it?\n\nThe outside program running now is ended, no later step "
                        "runs and no archive or installer is written; the settings are saved."))
    stop_run(run);
  if (!g_run_ended) return false;
  run.thread.join();
  run.running = false;
  return true;
}

// A click before any run: Source, Include and the PureBasic label pick
// what the run will use, and their gadgets show it.
void pick_on_click(int gadget, const Gadgets& g, AppState& state, const MainWindowHooks& hooks) {
  switch (gadget) {
    case kSourceButton:
      state.library_source = open_source_dialog(g.window);
      SetWindowTextA(g.source, (" Source : " + state.library_source).c_str());
      break;
    case kIncludeButton:
      state.include_folder = folder_dialog(g.window, "Include");
      SetWindowTextA(g.include, (" Include : " + state.include_folder).c_str());
      break;
    case kPureBasicLabel: {
      std::string folder = folder_dialog(g.window, "PB");
      state.purebasic_folder = folder.empty() ? hooks.registry_lookup() : folder;
      SetWindowTextA(g.pb_label, (" PB : " + state.purebasic_folder).c_str());
      SetWindowTextA(g.tb_label, (" TB : " + hooks.tailbite_path(state.purebasic_folder)).c_str());
      break;
    }
    default:
      break;
  }
}

bool can_compile(const AppState& state, const MainWindowHooks& hooks) {
  return platform::exists(state.library_source) && !state.purebasic_folder.empty() &&
         !hooks.tailbite_path(state.purebasic_folder).empty();
}

}  // namespace

bool run_main_window(AppState& state, const MainWindowHooks& hooks) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  Gadgets g;
  g.instance = GetModuleHandleA(nullptr);
  register_window_class(g.instance);
  g.window = create_main_window(g.instance);
  if (!g.window) return false;
  g.font = message_font();
  make_first_gadgets(g, state, hooks);
  ShowWindow(g.window, SW_SHOWNORMAL);
  UpdateWindow(g.window);

  Run run;
  bool built = false;
  MSG msg;
  for (;;) {
    if (hooks.before_wait) hooks.before_wait();
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
      // The run's thread may be waiting on this one: the loop goes on,
      // serving it, until the run has stopped.
      if (!run.running) break;
      stop_run(run);
      continue;
    }
    g_event = {};
    if (!IsDialogMessageA(g.window, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (run.running) {
      if (run_ended_after_event(run)) {
        built = true;
        break;
      }
      continue;
    }
    if (g_event.gadget == kCompileButton) {
      start_run(g, hooks, run);
      continue;
    }
    pick_on_click(g_event.gadget, g, state, hooks);
    EnableWindow(g.compile, can_compile(state, hooks));
    if (g_event.closed) break;
  }
  DeleteObject(g.font);
  return built;
}

}  // namespace lh
