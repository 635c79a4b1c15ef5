// One headless run of the real program in a folder of its own: a private
// temporary folder (so a private work folder), a stand-in PureBasic folder,
// a log of the stand-ins; and helpers to read what the run left.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "fakes/fake_purebasic.h"
#include "platform/files.h"

namespace lh::test {

inline const char kSep = platform::separator();

// Paths as the program under test sees them: on Windows the Unix folders of
// the build tree are reached through Wine's Z: drive.
inline std::string native(std::string path) {
#ifdef _WIN32
  if (!path.empty() && path[0] == '/') {
    for (char& c : path)
      if (c == '/') c = '\\';
    path = "Z:" + path;
  }
#endif
  return path;
}

inline void set_env(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

inline std::vector<std::string> lines_of(const std::string& path) {
  std::string text;
  platform::read_file(path, text);
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    out.push_back(text.substr(start, end - start));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  return out;
}

inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A folder as one quoted argument. Without its trailing separator: under the
// Microsoft C runtime's rules a backslash right before the closing quote
// would escape it. The program puts the separator back.
inline std::string quoted_folder(const std::string& folder) {
  return "\"" + (folder.empty() ? folder : folder.substr(0, folder.size() - 1)) + "\"";
}

// One case: its own folder with a private temporary folder (so a private
// work folder), a stand-in PureBasic folder and a log of the stand-ins.
struct Case {
  std::string root, temp, work, pb, log, src;

  explicit Case(const std::string& name) {
    root = native(LH_E2E_WORK) + kSep + name + kSep;
    remove_tree(root);
    platform::create_folder(native(LH_E2E_WORK));
    platform::create_folder(root);
    temp = root + "tmp" + kSep;
    platform::create_folder(temp);
    work = temp + "LibHammer" + kSep;
    pb = root + "pb" + kSep;
    EXPECT_TRUE(fakes::lay_out_purebasic(pb));
    src = root + "src" + kSep;
    platform::create_folder(src);
    log = root + "log.txt";
  }

  static void remove_tree(const std::string& folder) {
    for (const platform::FolderEntry& e : platform::list_folder(folder)) {
      if (e.is_folder) {
        remove_tree(folder + e.name + kSep);
      } else {
        platform::set_read_only(folder + e.name, false);
        platform::delete_file(folder + e.name);
      }
    }
    platform::remove_folder(folder);
  }

  struct Result {
    int status = -1;
    std::vector<std::string> out;
    std::string err;
  };

  // Runs the program with `arguments` through the system's command
  // interpreter (in `folder` when given), standard output and error into
  // files of the case.
  Result run(const std::string& arguments, const std::string& folder = "") {
#ifdef _WIN32
    set_env("TEMP", temp);
    set_env("TMP", temp);
#else
    set_env("TMPDIR", temp);
#endif
    set_env("LH_FAKE_LOG", log);
    std::string out = root + "stdout.txt", err = root + "stderr.txt";
    std::string command;
#ifdef _WIN32
    if (!folder.empty()) command = "cd /d \"" + folder + "\" && ";
#else
    if (!folder.empty()) command = "cd \"" + folder + "\" && ";
#endif
    command += "\"";
    command += native(LH_LIBHAMMER);
    command += "\" ";
    command += arguments;
    command += " >\"" + out;
    command += "\" 2>\"" + err;
    command += "\"";
#ifdef _WIN32
    command = "\"" + command + "\"";  // cmd /c drops the outer quotes
#endif
    int raw = std::system(command.c_str());
    Result r;
#ifdef _WIN32
    r.status = raw;
#else
    r.status = (raw >> 8) & 0xff;
#endif
    r.out = lines_of(out);
    platform::read_file(err, r.err);
    // Line ends as one character, whichever the platform wrote.
    r.err.erase(std::remove(r.err.begin(), r.err.end(), '\r'), r.err.end());
    return r;
  }
};

// The command line a stand-in logs: the raw line on Windows, where the run
// facility quotes the program; the argument words joined by spaces
// elsewhere, where the quotes have done their work in the split.
inline std::string logged(const std::string& program, const std::string& arguments) {
#ifdef _WIN32
  return "\"" + program + "\" " + arguments;
#else
  std::string args;
  for (char c : arguments)
    if (c != '"') args += c;
  return program + " " + args;
#endif
}

inline std::string exe(const std::string& path) { return fakes::exe(path); }

}  // namespace lh::test
