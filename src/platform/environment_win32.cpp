// Environment variables and the program search path (Windows, ANSI API: names pass byte for byte).
#include <windows.h>

#include <vector>

#include "platform/environment.h"

namespace lh::platform {

std::string environment_variable(const std::string& name) {
  DWORD n = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  if (n == 0) return {};
  std::vector<char> buffer(n);
  DWORD m = GetEnvironmentVariableA(name.c_str(), buffer.data(), n);
  if (m == 0 || m >= n) return {};
  return std::string(buffer.data(), m);
}

std::string find_on_search_path(const std::string& name) {
  char buffer[MAX_PATH + 1];
  DWORD n = SearchPathA(nullptr, name.c_str(), nullptr, sizeof buffer, buffer, nullptr);
  if (n == 0 || n > sizeof buffer) return {};
  return std::string(buffer, n);
}

}  // namespace lh::platform
