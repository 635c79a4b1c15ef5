#include <windows.h>

#include "platform/file_stream.h"

namespace lh::platform {

namespace {

HANDLE as_handle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

bool write_all(HANDLE h, const char* p, size_t left) {
  while (left > 0) {
    const DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!WriteFile(h, p, chunk, &written, nullptr) || written == 0) return false;
    p += written;
    left -= written;
  }
  return true;
}

}  // namespace

InputFile::InputFile(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;  // folders do not open without FILE_FLAG_BACKUP_SEMANTICS
  handle_ = reinterpret_cast<intptr_t>(h);
}

InputFile::~InputFile() {
  if (is_open()) CloseHandle(as_handle(handle_));
}

int64_t InputFile::read(char* buffer, size_t size) {
  if (!is_open()) return -1;
  const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
  DWORD got = 0;
  if (!ReadFile(as_handle(handle_), buffer, chunk, &got, nullptr)) return -1;
  return got;
}

OutputFile::OutputFile(const std::string& path) {
  HANDLE h =
      CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  handle_ = reinterpret_cast<intptr_t>(h);
  ok_ = true;
}

OutputFile::~OutputFile() { close(); }

bool OutputFile::write(std::string_view data) {
  if (!is_open() || !ok_) return false;
  ok_ = write_all(as_handle(handle_), data.data(), data.size());
  size_ += data.size();
  return ok_;
}

bool OutputFile::write_at(uint64_t offset, std::string_view data) {
  if (!is_open() || !ok_) return false;
  if (offset > size_ || size_ - offset < data.size()) return ok_ = false;
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  LARGE_INTEGER zero{};
  HANDLE h = as_handle(handle_);
  ok_ = SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && write_all(h, data.data(), data.size()) &&
        SetFilePointerEx(h, zero, nullptr, FILE_END);
  return ok_;
}

bool OutputFile::close() {
  if (!is_open()) return false;
  if (!CloseHandle(as_handle(handle_))) ok_ = false;
  handle_ = kClosed;
  return ok_;
}

}  // namespace lh::platform
