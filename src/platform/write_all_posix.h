// Writes every byte of `data` to a POSIX file descriptor, going on after a
// short write or an interrupted call; false on any other error. Shared by
// the whole-file writes and the block-by-block output file.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <string_view>

namespace lh::platform {

inline bool write_all(int fd, std::string_view data) {
  const char* p = data.data();
  size_t left = data.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace lh::platform
