// Where things are: the temporary folder, the program's own file, the
// current folder and full paths (POSIX).
#include <limits.h>
#include <unistd.h>

#include <vector>

#include "platform/environment.h"
#include "platform/folders.h"

namespace lh::platform {

std::string temp_folder() {
  std::string folder = environment_variable("TMPDIR");
  if (folder.empty()) folder = "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::string program_path() {
  std::vector<char> buffer(PATH_MAX + 1);
  while (true) {
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

std::string current_folder() {
  std::vector<char> buffer(PATH_MAX + 1);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (buffer.size() > (1u << 20)) return {};
    buffer.resize(buffer.size() * 2);
  }
  std::string folder = buffer.data();
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string full_path(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  return current_folder() + path;
}

}  // namespace lh::platform
