// Scratch folders for the splitter tests: a fresh folder under the system's
// temporary folder, its files read back as a name -> bytes map, and removed
// at the end of the test.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <system_error>

#include "platform/files.h"

namespace lh::testing {

class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& tag) {
    static int counter = 0;
    std::filesystem::path base = std::filesystem::temp_directory_path();
    root_ = base / ("lh-source-" + tag + "-" + std::to_string(++counter) + "-" +
                    std::to_string(reinterpret_cast<uintptr_t>(this) & 0xffff));
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
    std::filesystem::create_directories(root_, ec);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder's path with its separator at the end, as the system's folder
  // values are written.
  std::string path() const { return root_.string() + platform::separator(); }

  // A sub-folder, made on first use.
  std::string sub(const std::string& name) const {
    std::string p = path() + name;
    platform::create_folder(p);
    return p + platform::separator();
  }

 private:
  std::filesystem::path root_;
};

// Every file directly inside `folder` (which ends in its separator).
inline std::map<std::string, std::string> folder_files(const std::string& folder) {
  std::map<std::string, std::string> out;
  for (const platform::FolderEntry& e : platform::list_folder(folder)) {
    if (e.is_folder) continue;
    std::string data;
    platform::read_file(folder + e.name, data);
    out[e.name] = data;
  }
  return out;
}

}  // namespace lh::testing
