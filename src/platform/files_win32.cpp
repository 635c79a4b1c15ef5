#include "platform/files.h"

#include <windows.h>

namespace lh::platform {

namespace {

bool write_handle(HANDLE h, std::string_view data) {
  const char* p = data.data();
  size_t left = data.size();
  while (left > 0) {
    DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!WriteFile(h, p, chunk, &written, nullptr) || written == 0) return false;
    p += written;
    left -= written;
  }
  return true;
}

DWORD attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

}  // namespace

char separator() { return '\\'; }

bool names_fold_case() { return true; }

std::string folded_name(std::string_view name) {
  std::string out(name);
  if (!out.empty()) CharUpperBuffA(out.data(), static_cast<DWORD>(out.size()));
  return out;
}

bool read_file(const std::string& path, std::string& out) {
  out.clear();
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  if (GetFileSizeEx(h, &size) && size.QuadPart > 0) out.reserve(static_cast<size_t>(size.QuadPart));
  char buf[65536];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(h, buf, sizeof buf, &n, nullptr)) {
      CloseHandle(h);
      return false;
    }
    if (n == 0) break;
    out.append(buf, n);
  }
  CloseHandle(h);
  return true;
}

bool write_file(const std::string& path, std::string_view data) {
  HANDLE h =
      CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = write_handle(h, data);
  const DWORD err = GetLastError();
  if (!CloseHandle(h)) return false;
  if (!ok) SetLastError(err);  // the write's reason, not the close's
  return ok;
}

bool append_file(const std::string& path, std::string_view data) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER zero{};
  bool ok = SetFilePointerEx(h, zero, nullptr, FILE_END) && write_handle(h, data);
  if (!CloseHandle(h)) ok = false;
  return ok;
}

bool delete_file(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool copy_file(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool rename_file(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::string error_text(unsigned long code) {
  if (code == 0) return {};
  char buf[512];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                           sizeof buf, nullptr);
  while (n > 0 && (buf[n - 1] == '\r' || buf[n - 1] == '\n' || buf[n - 1] == ' ' || buf[n - 1] == '.')) --n;
  if (n == 0) return "system error " + std::to_string(code);
  return std::string(buf, n);
}

std::string last_error_text() { return error_text(GetLastError()); }

bool exists(const std::string& path) { return attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool is_file(const std::string& path) {
  DWORD a = attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool is_folder(const std::string& path) {
  DWORD a = attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

int64_t file_size(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool create_folder(const std::string& path) {
  if (CreateDirectoryA(path.c_str(), nullptr)) return true;
  return is_folder(path);
}

bool remove_folder(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }

std::vector<FolderEntry> list_folder(const std::string& folder) {
  std::vector<FolderEntry> entries;
  std::string pattern = folder;
  if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return entries;
  do {
    std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    entries.push_back({name, (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return entries;
}

bool set_read_only(const std::string& path, bool read_only) {
  DWORD a = attributes(path);
  if (a == INVALID_FILE_ATTRIBUTES) return false;
  a = read_only ? (a | FILE_ATTRIBUTE_READONLY) : (a & ~DWORD(FILE_ATTRIBUTE_READONLY));
  if (a == 0) a = FILE_ATTRIBUTE_NORMAL;
  return SetFileAttributesA(path.c_str(), a) != 0;
}

bool make_executable(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace lh::platform
