#include <windows.h>

#include <string>

#include "platform/file_lock.h"
#include "platform/files.h"

namespace lh::platform {
namespace {

class Win32FileLock final : public FileLock {
 public:
  explicit Win32FileLock(HANDLE h) : h_(h) {}
  ~Win32FileLock() override { CloseHandle(h_); }
  Win32FileLock(const Win32FileLock&) = delete;
  Win32FileLock& operator=(const Win32FileLock&) = delete;

 private:
  HANDLE h_;
};

}  // namespace

std::unique_ptr<FileLock> try_lock_file(const std::string& path, std::string* error) {
  // Read sharing only: a second run, which opens the file for writing, is
  // refused until this handle closes, while it can still read our id. The
  // handle is not inherited by the programs the run starts.
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD err = GetLastError();
    if (err != ERROR_SHARING_VIOLATION && error) *error = path + ": " + error_text(err);
    return nullptr;
  }
  const std::string pid = std::to_string(static_cast<unsigned long>(GetCurrentProcessId())) + "\r\n";
  DWORD written = 0;
  SetFilePointer(h, 0, nullptr, FILE_BEGIN);
  SetEndOfFile(h);
  WriteFile(h, pid.data(), static_cast<DWORD>(pid.size()), &written, nullptr);
  return std::make_unique<Win32FileLock>(h);
}

}  // namespace lh::platform
