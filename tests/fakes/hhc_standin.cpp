// Stand-in for HTML Help Workshop's hhc.exe, for Windows programs under
// Wine: takes the project path as hhc.exe does, has hhc_chmcmd.sh (beside
// this program) compile it with chmcmd, waits for that script's report file
// and ends with chmcmd's exit code. Wine's own path conversion gives the
// Unix name of a project on any drive.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// Wine's kernel32 exports wine_get_unix_file_name, which maps a Windows path
// on any drive (C: is the prefix's drive_c) to the Unix path behind it.
std::string unix_path(const std::string& path) {
  using Convert = char* (*)(const wchar_t*);
  auto convert = reinterpret_cast<Convert>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!convert) return {};
  wchar_t wide[MAX_PATH * 2];
  if (!MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH * 2)) return {};
  char* unix = convert(wide);
  if (!unix) return {};
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: hhc project.hhp\n");
    return 1;
  }
  std::string project = argv[1];
  if (project.find(':') == std::string::npos) {
    // A relative path: relative to the working folder.
    char folder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, folder);
    project = std::string(folder) + "\\" + project;
  }
  const std::string unix_project = unix_path(project);
  if (unix_project.empty()) {
    std::fprintf(stderr, "hhc stand-in: %s has no Unix path\n", project.c_str());
    return 1;
  }
  char self[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string script(self, n);
  script = script.substr(0, script.find_last_of('\\') + 1) + "hhc_chmcmd.sh";

  const std::string report = project + ".report";
  DeleteFileA(report.c_str());
  std::string command = "\"" + script + "\" \"" + unix_project + "\" \"" + unix_project + ".report\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::fprintf(stderr, "hhc stand-in: cannot start %s\n", script.c_str());
    return 1;
  }
  if (pi.hProcess) CloseHandle(pi.hProcess);
  if (pi.hThread) CloseHandle(pi.hThread);
  // Ten minutes at most: a compiler that hangs must not hang the build.
  for (int waited = 0; !exists(report) && waited < 600000; waited += 20) Sleep(20);
  int code = 1;
  if (FILE* f = std::fopen(report.c_str(), "r")) {
    if (std::fscanf(f, "%d", &code) != 1) code = 1;
    std::fclose(f);
  }
  DeleteFileA(report.c_str());
  return code;
}
