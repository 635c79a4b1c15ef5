// The disk as the build sees it: one interface with the real file system
// behind it in the program, and a file system held in memory in tests, so
// that a stage can be tried on any folder content without touching a disk.
// The operations and their results are those of platform/files.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace lh::platform {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual bool read_file(const std::string& path, std::string& out) = 0;
  virtual bool write_file(const std::string& path, std::string_view data) = 0;
  virtual bool append_file(const std::string& path, std::string_view data) = 0;
  virtual bool delete_file(const std::string& path) = 0;
  virtual bool copy_file(const std::string& from, const std::string& to) = 0;
  virtual bool rename_file(const std::string& from, const std::string& to) = 0;
  virtual bool is_file(const std::string& path) = 0;
  virtual bool is_folder(const std::string& path) = 0;
  virtual int64_t file_size(const std::string& path) = 0;
  virtual bool create_folder(const std::string& path) = 0;
  virtual bool remove_folder(const std::string& path) = 0;
  virtual std::vector<FolderEntry> list_folder(const std::string& folder) = 0;
  // "Foo.txt" and "foo.txt" are one file.
  virtual bool names_fold_case() const = 0;
  // Why the last operation failed; empty when there is no reason to give.
  virtual std::string error_text() { return {}; }

  bool exists(const std::string& path) { return is_file(path) || is_folder(path); }
};

// The machine's own file system (platform/files.h).
FileSystem& real_file_system();

}  // namespace lh::platform
