// Small helpers shared by the stand-ins for the outside programs. They are
// separate programs, so they use the C library and the OS directly rather
// than the project's libraries.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fake {

// The command line as the program received it: the raw text on Windows,
// the words joined by spaces elsewhere.
inline std::string command_line(int argc, char** argv) {
#ifdef _WIN32
  (void)argc;
  (void)argv;
  return GetCommandLineA();
#else
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (i) line += ' ';
    line += argv[i];
  }
  return line;
#endif
}

inline std::string own_path() {
#ifdef _WIN32
  char buffer[MAX_PATH + 1];
  DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  return std::string(buffer, n);
#else
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
#endif
}

// Folder part with its trailing separator.
inline std::string folder_of(const std::string& path) {
  std::size_t last = path.find_last_of("\\/");
  return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

inline char separator() {
#ifdef _WIN32
  return '\\';
#else
  return '/';
#endif
}

inline void make_folder(const std::string& path) {
#ifdef _WIN32
  _mkdir(path.c_str());
#else
  mkdir(path.c_str(), 0777);
#endif
}

inline bool file_exists(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

inline bool read_all(const std::string& path, std::string& out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char chunk[4096];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.append(chunk, n);
  std::fclose(f);
  return true;
}

inline bool write_all(const std::string& path, const std::string& data, const char* mode = "wb") {
  FILE* f = std::fopen(path.c_str(), mode);
  if (!f) return false;
  std::fwrite(data.data(), 1, data.size(), f);
  std::fclose(f);
  return true;
}

// Appends "<program name>: <command line>" and a line end to the file named
// by LH_FAKE_LOG, so tests can see how each stand-in was started.
inline void log_start(const char* name, int argc, char** argv) {
  const char* log = std::getenv("LH_FAKE_LOG");
  if (!log || !*log) return;
  write_all(log, std::string(name) + ": " + command_line(argc, argv) + "\n", "ab");
}

// Standard output is binary: line ends reach the reader exactly as written.
inline void print(const std::string& text) {
#ifdef _WIN32
  static const int binary = _setmode(_fileno(stdout), _O_BINARY);
  (void)binary;
#endif
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

inline void sleep_ms(int ms) {
#ifdef _WIN32
  Sleep(static_cast<DWORD>(ms));
#else
  usleep(static_cast<useconds_t>(ms) * 1000);
#endif
}

inline unsigned long process_id() {
#ifdef _WIN32
  return GetCurrentProcessId();
#else
  return static_cast<unsigned long>(getpid());
#endif
}

// How a stand-in answers its version query, from the environment variable
// `variable`: "silent" never answers (it waits ten minutes, long after any
// caller has given up), "endless" prints `line` again and again without
// end. Returns only for any other value, to answer as usual.
inline void misbehave_on_version_query(const char* variable, const std::string& line) {
  const char* mode = std::getenv(variable);
  if (!mode) return;
  if (!std::strcmp(mode, "silent")) {
    sleep_ms(600000);
    std::exit(0);
  }
  if (!std::strcmp(mode, "endless")) {
    for (;;) print(line);
  }
}

}  // namespace fake
