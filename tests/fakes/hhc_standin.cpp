// Stand-in for HTML Help Workshop's hhc.exe, for Windows programs under
// Wine: takes the project path as hhc.exe does, has hhc_chmcmd.sh (beside
// this program) compile it with chmcmd, waits for that script's report file
// and ends with chmcmd's exit code. Only projects on the Z: drive (the Unix
// root) are understood.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string unix_path(std::string path) {
  if (path.size() < 2 || (path[0] != 'Z' && path[0] != 'z') || path[1] != ':') return {};
  path.erase(0, 2);
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
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
    std::fprintf(stderr, "hhc stand-in: %s is not on the Z: drive\n", project.c_str());
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
