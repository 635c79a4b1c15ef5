// Child processes on Windows: CreateProcessA with one command line, an
// inheritable anonymous pipe for standard output when it is to be read, and
// ShellExecuteExA's "open" for documents.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include "platform/process.h"

namespace lh::platform {

struct Process {
  HANDLE process = nullptr;  // nullptr: nothing to follow
  HANDLE out = nullptr;      // read end of the output pipe, or nullptr
  bool ended = false;
  int exit_code = -1;
};

namespace {

void note_end(Process* p) {
  p->ended = true;
  DWORD code = 0;
  if (p->process && GetExitCodeProcess(p->process, &code)) p->exit_code = static_cast<int>(code);
}

void close_pipe(Process* p) {
  if (p->out) {
    CloseHandle(p->out);
    p->out = nullptr;
  }
}

}  // namespace

ChildProcess start_process(const StartRequest& request) {
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (request.read) {
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof sa;
    sa.bInheritHandle = TRUE;
    if (!CreatePipe(&read_end, &write_end, &sa, 0)) return nullptr;
    // Only the child's end is inherited; ours must not keep the pipe open
    // in the child.
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  }

  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = request.hide ? SW_HIDE : SW_SHOWNORMAL;
  if (request.read) {
    si.dwFlags |= STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = write_end;
    si.hStdError = request.read_errors ? write_end : GetStdHandle(STD_ERROR_HANDLE);
  }
  DWORD flags = NORMAL_PRIORITY_CLASS;
  if (request.hide && !request.read) flags |= DETACHED_PROCESS;

  std::string command_line = request.command_line;  // CreateProcessA may write into it
  PROCESS_INFORMATION pi{};
  BOOL ok = CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, request.read ? TRUE : FALSE, flags, nullptr,
                           request.working_folder.empty() ? nullptr : request.working_folder.c_str(), &si, &pi);
  if (write_end) CloseHandle(write_end);
  if (!ok) {
    if (read_end) CloseHandle(read_end);
    return nullptr;
  }
  CloseHandle(pi.hThread);
  Process* p = new Process;
  p->process = pi.hProcess;
  p->out = read_end;
  return ChildProcess(p);
}

ChildProcess open_with_shell(const std::string& path, const std::string& arguments, const std::string& working_folder,
                             bool hide) {
  // Some open handlers are COM objects; a second initialisation is harmless.
  static const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  (void)com;
  SHELLEXECUTEINFOA sei{};
  sei.cbSize = sizeof sei;
  sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  sei.lpVerb = "open";
  sei.lpFile = path.c_str();
  sei.lpParameters = arguments.empty() ? nullptr : arguments.c_str();
  sei.lpDirectory = working_folder.empty() ? nullptr : working_folder.c_str();
  sei.nShow = hide ? SW_HIDE : SW_SHOWNORMAL;
  if (!ShellExecuteExA(&sei)) return nullptr;
  Process* p = new Process;
  p->process = sei.hProcess;  // may be null when a running viewer took the document
  return ChildProcess(p);
}

void wait_process(Process* p) {
  if (!p || p->ended) return;
  if (p->process) WaitForSingleObject(p->process, INFINITE);
  note_end(p);
}

bool process_ended(Process* p) {
  if (!p) return true;
  if (p->ended) return true;
  if (!p->process || WaitForSingleObject(p->process, 0) != WAIT_TIMEOUT) note_end(p);
  return p->ended;
}

int process_exit_code(Process* p) { return p && p->ended ? p->exit_code : -1; }

std::size_t pipe_bytes_available(Process* p) {
  if (!p || !p->out) return 0;
  DWORD available = 0;
  if (!PeekNamedPipe(p->out, nullptr, 0, nullptr, &available, nullptr)) return 0;
  return available;
}

std::size_t read_pipe(Process* p, char* buffer, std::size_t size) {
  if (!p || !p->out || size == 0) return 0;
  DWORD got = 0;
  if (ReadFile(p->out, buffer, static_cast<DWORD>(size), &got, nullptr) && got > 0) return got;
  // ERROR_BROKEN_PIPE: every writer has closed its end.
  close_pipe(p);
  return 0;
}

void wait_for_change(Process* p, int milliseconds) {
  if (!p || process_ended(p)) return;
  // Anonymous pipes cannot be waited on; the process can. New output is
  // seen at the latest when the wait times out.
  if (WaitForSingleObject(p->process, static_cast<DWORD>(milliseconds)) != WAIT_TIMEOUT) {
    note_end(p);
  }
}

void terminate_process(Process* p) {
  if (!p || !p->process || process_ended(p)) return;
  TerminateProcess(p->process, 1);
  wait_process(p);
}

void release_process(Process* p) {
  if (!p) return;
  close_pipe(p);
  if (p->process) CloseHandle(p->process);
  delete p;
}

}  // namespace lh::platform

namespace lh::platform {

unsigned long current_process_id() { return GetCurrentProcessId(); }

bool process_is_running(unsigned long pid) {
  if (pid == 0) return false;
  HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (!h) return GetLastError() == ERROR_ACCESS_DENIED;
  bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
  CloseHandle(h);
  return running;
}

}  // namespace lh::platform
