#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/file_lock.h"

namespace lh::platform {
namespace {

class PosixFileLock final : public FileLock {
 public:
  explicit PosixFileLock(int fd) : fd_(fd) {}
  ~PosixFileLock() override { ::close(fd_); }  // closing drops the lock
  PosixFileLock(const PosixFileLock&) = delete;
  PosixFileLock& operator=(const PosixFileLock&) = delete;

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<FileLock> try_lock_file(const std::string& path, std::string* error) {
  // Close-on-exec: a program the run starts must not keep the lock alive
  // after the run itself has ended.
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (error) *error = path + ": " + std::strerror(errno);
    return nullptr;
  }
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    const int err = errno;
    ::close(fd);
    if (err != EWOULDBLOCK && error) *error = path + ": " + std::strerror(err);
    return nullptr;
  }
  const std::string pid = std::to_string(static_cast<unsigned long>(::getpid())) + "\n";
  if (::ftruncate(fd, 0) == 0) {
    ssize_t written = ::pwrite(fd, pid.data(), pid.size(), 0);
    (void)written;  // the id is only for the waiting run's message
  }
  return std::make_unique<PosixFileLock>(fd);
}

}  // namespace lh::platform
