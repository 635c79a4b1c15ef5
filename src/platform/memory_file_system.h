// A file system held in memory, for tests: folders and files under paths
// that use this platform's separator, with the real file system's rules
// that the build depends on. A file goes only into a folder that exists; a
// folder is removed only when empty; names fold case when asked to, and
// then keep the spelling that created them.
#pragma once

#include <map>
#include <string>

#include "platform/file_system.h"

namespace lh::platform {

class MemoryFileSystem final : public FileSystem {
 public:
  // The root folders ("/", "C:\") always exist.
  explicit MemoryFileSystem(bool fold_case = platform::names_fold_case()) : fold_case_(fold_case) {}

  bool read_file(const std::string& path, std::string& out) override;
  bool write_file(const std::string& path, std::string_view data) override;
  bool append_file(const std::string& path, std::string_view data) override;
  bool delete_file(const std::string& path) override;
  bool copy_file(const std::string& from, const std::string& to) override;
  bool rename_file(const std::string& from, const std::string& to) override;
  bool is_file(const std::string& path) override;
  bool is_folder(const std::string& path) override;
  int64_t file_size(const std::string& path) override;
  bool create_folder(const std::string& path) override;
  bool remove_folder(const std::string& path) override;
  std::vector<FolderEntry> list_folder(const std::string& folder) override;
  std::unique_ptr<InputStream> open_input(const std::string& path) override;
  std::unique_ptr<OutputStream> open_output(const std::string& path) override;
  bool make_executable(const std::string& path) override { return is_file(path); }
  bool names_fold_case() const override { return fold_case_; }

  // Every file, by path as spelled when it was created, for comparisons.
  std::map<std::string, std::string> files() const;

 private:
  struct File {
    std::string path;  // as spelled when created
    std::string data;
  };
  std::string key(std::string_view path) const;
  bool parent_exists(const std::string& path) const;

  bool fold_case_;
  std::map<std::string, File> files_;           // by key
  std::map<std::string, std::string> folders_;  // key (no trailing separator) -> spelling
};

}  // namespace lh::platform
