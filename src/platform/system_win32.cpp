// Facts about the running system on Windows, through the ANSI API so that
// names pass byte for byte.
#include <windows.h>

#include <vector>

#include "platform/system.h"

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

std::string classes_root_default_value(const std::string& key, std::size_t buffer_size) {
  std::string buffer(buffer_size, ' ');
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS) {
    DWORD size = static_cast<DWORD>(buffer_size);
    LONG rc = RegQueryValueExA(handle, nullptr, nullptr, nullptr,
                               reinterpret_cast<BYTE*>(buffer.data()), &size);
    // A value longer than the buffer leaves its contents undefined: treat it
    // as no value rather than use a cut or garbled path.
    if (rc != ERROR_SUCCESS) buffer.assign(buffer_size, ' ');
    RegCloseKey(handle);
  }
  std::size_t nul = buffer.find('\0');
  if (nul != std::string::npos) buffer.resize(nul);
  return buffer;
}

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

bool make_executable(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void message_box(const std::string& caption, const std::string& text, BoxIcon icon) {
  UINT type = MB_OK | (icon == BoxIcon::kError ? MB_ICONERROR : MB_ICONINFORMATION);
  MessageBoxA(nullptr, text.c_str(), caption.c_str(), type);
}

}  // namespace lh::platform
