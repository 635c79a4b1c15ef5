#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_stream.h"
#include "platform/write_all_posix.h"

namespace lh::platform {

InputFile::InputFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return;
  }
  handle_ = fd;
}

InputFile::~InputFile() {
  if (is_open()) ::close(static_cast<int>(handle_));
}

int64_t InputFile::read(char* buffer, size_t size) {
  if (!is_open()) return -1;
  for (;;) {
    ssize_t n = ::read(static_cast<int>(handle_), buffer, size);
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

OutputFile::OutputFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return;
  handle_ = fd;
  ok_ = true;
}

OutputFile::~OutputFile() { close(); }

bool OutputFile::write(std::string_view data) {
  if (!is_open() || !ok_) return false;
  ok_ = write_all(static_cast<int>(handle_), data);
  size_ += data.size();
  return ok_;
}

bool OutputFile::write_at(uint64_t offset, std::string_view data) {
  if (!is_open() || !ok_) return false;
  if (offset > size_ || size_ - offset < data.size()) return ok_ = false;
  const int fd = static_cast<int>(handle_);
  ok_ = ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) >= 0 && write_all(fd, data) && ::lseek(fd, 0, SEEK_END) >= 0;
  return ok_;
}

bool OutputFile::close() {
  if (!is_open()) return false;
  if (::close(static_cast<int>(handle_)) != 0) ok_ = false;
  handle_ = kClosed;
  return ok_;
}

}  // namespace lh::platform
