// Helpers for the shell's tests: a fresh scratch folder, environment
// variables, and reading what the stand-ins left behind.
#pragma once

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "fakes/fake_purebasic.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/run_program.h"

namespace lh::test {

inline void set_env(const std::string& name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name.c_str(), value.c_str());
#else
  setenv(name.c_str(), value.c_str(), 1);
#endif
}

inline void unset_env(const std::string& name) {
#ifdef _WIN32
  _putenv_s(name.c_str(), "");
#else
  unsetenv(name.c_str());
#endif
}

// Removes a folder and everything in it.
inline void remove_tree(const std::string& folder) {
  const char s = platform::separator();
  for (const platform::FolderEntry& e : platform::list_folder(folder)) {
    std::string path = folder + e.name;
    if (e.is_folder) {
      remove_tree(path + s);
    } else {
      platform::set_read_only(path, false);
      platform::delete_file(path);
    }
  }
  std::string bare = folder;
  if (!bare.empty() && (bare.back() == '/' || bare.back() == '\\')) bare.pop_back();
  platform::remove_folder(bare);
}

// An empty folder under the temporary folder, with its trailing separator.
inline std::string scratch_folder(const std::string& name) {
  std::string folder = platform::temp_folder() + "lh-shell-test-" + name + platform::separator();
  remove_tree(folder);
  platform::create_folder(folder);
  return folder;
}

inline std::string read_text(const std::string& path) {
  std::string text;
  platform::read_file(path, text);
  return text;
}

// Waits (up to ten seconds) for a file that a child writes after we return.
inline bool wait_for_file(const std::string& path) {
  for (int i = 0; i < 1000; ++i) {
    if (platform::is_file(path) && platform::file_size(path) > 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// Reads a handle the way the system's readers do, then closes it.
inline std::vector<std::string> read_all_lines(ProgramHandle p) {
  std::vector<std::string> lines;
  while (program_running(p.get())) {
    if (available_output(p.get()) != 0) lines.push_back(read_output_line(p.get()));
  }
  return lines;
}

inline std::string quoted(const std::string& text) {
  std::string q;
  q += '"';
  q += text;
  q += '"';
  return q;
}

inline std::string echo_program() { return fakes::fake_program("echo_program"); }

}  // namespace lh::test
