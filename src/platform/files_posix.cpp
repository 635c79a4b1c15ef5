#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/write_all_posix.h"

namespace lh::platform {

namespace {

bool write_with_flags(const std::string& path, std::string_view data, int flags) {
  int fd = ::open(path.c_str(), flags | O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = write_all(fd, data);
  const int err = errno;
  if (::close(fd) != 0) return false;
  if (!ok) errno = err;  // the write's reason, not the close's
  return ok;
}

}  // namespace

char separator() { return '/'; }

bool names_fold_case() { return false; }

std::string folded_name(std::string_view name) { return std::string(name); }

bool read_file(const std::string& path, std::string& out) {
  out.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return false;
  }
  if (st.st_size > 0) out.reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

bool write_file(const std::string& path, std::string_view data) { return write_with_flags(path, data, O_TRUNC); }

bool append_file(const std::string& path, std::string_view data) { return write_with_flags(path, data, O_APPEND); }

bool delete_file(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool copy_file(const std::string& from, const std::string& to) {
  std::string data;
  if (!is_file(from) || !read_file(from, data)) return false;
  return write_file(to, data);
}

bool rename_file(const std::string& from, const std::string& to) {
  int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool synced = ::fsync(fd) == 0;
  const int err = errno;
  ::close(fd);
  if (!synced) {
    errno = err;
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}

std::string error_text(unsigned long code) { return code == 0 ? std::string() : std::strerror(static_cast<int>(code)); }

std::string last_error_text() { return error_text(static_cast<unsigned long>(errno)); }

bool exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool is_file(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool is_folder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t file_size(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool create_folder(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) == 0) return true;
  return is_folder(path);
}

bool remove_folder(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

std::vector<FolderEntry> list_folder(const std::string& folder) {
  std::vector<FolderEntry> entries;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return entries;
  std::string base = folder;
  if (!base.empty() && base.back() != '/') base += '/';
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    // The entry's type usually comes with it; a stat per entry would
    // dominate listing a work folder of a hundred thousand piece files.
    bool is_dir = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) is_dir = is_folder(base + name);
    entries.push_back({name, is_dir});
  }
  ::closedir(dir);
  return entries;
}

bool set_read_only(const std::string& path, bool read_only) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  mode = read_only ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
  return ::chmod(path.c_str(), mode) == 0;
}

bool make_executable(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  return chmod(path.c_str(), st.st_mode | S_IXUSR | S_IXGRP | S_IXOTH) == 0;
}

}  // namespace lh::platform
