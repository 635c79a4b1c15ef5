// Where things are: the temporary folder, the program's own file, the
// current folder and full paths (Windows, ANSI API: names pass byte for byte).
#include <windows.h>

#include <vector>

#include "platform/folders.h"

namespace lh::platform {

namespace {

void end_with_separator(std::string& folder) {
  if (folder.empty() || (folder.back() != '\\' && folder.back() != '/')) folder += '\\';
}

}  // namespace

std::string temp_folder() {
  char buffer[MAX_PATH + 1];
  DWORD n = GetTempPathA(sizeof buffer, buffer);
  if (n == 0 || n > sizeof buffer) return {};
  std::string folder(buffer, n);
  // The short (8.3) form GetTempPath may report is turned into the long one.
  std::vector<char> long_form(MAX_PATH + 1);
  DWORD m = GetLongPathNameA(folder.c_str(), long_form.data(), static_cast<DWORD>(long_form.size()));
  if (m > long_form.size()) {
    long_form.resize(m + 1);
    m = GetLongPathNameA(folder.c_str(), long_form.data(), static_cast<DWORD>(long_form.size()));
  }
  if (m > 0 && m < long_form.size()) folder.assign(long_form.data(), m);
  end_with_separator(folder);
  return folder;
}

std::string program_path() {
  std::vector<char> buffer(MAX_PATH + 1);
  while (true) {
    DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

std::string current_folder() {
  DWORD n = GetCurrentDirectoryA(0, nullptr);
  if (n == 0) return {};
  std::vector<char> buffer(n + 1);
  DWORD m = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
  if (m == 0 || m >= buffer.size()) return {};
  std::string folder(buffer.data(), m);
  end_with_separator(folder);
  return folder;
}

std::string full_path(const std::string& path) {
  DWORD n = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::vector<char> buffer(n + 1);
  DWORD m = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  if (m == 0 || m >= buffer.size()) return path;
  return std::string(buffer.data(), m);
}

}  // namespace lh::platform
