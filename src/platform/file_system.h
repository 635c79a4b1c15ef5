// The disk as the build sees it: one interface with the real file system
// behind it in the program, and a file system held in memory in tests, so
// that a stage can be tried on any folder content without touching a disk.
// The operations and their results are those of platform/files.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace lh::platform {

// A file read from its start, block by block.
class InputStream {
 public:
  virtual ~InputStream() = default;
  // Reads up to `size` bytes into `buffer`: the count read, 0 at the end of
  // the file, -1 on a read error.
  virtual int64_t read(char* buffer, size_t size) = 0;
};

// A file written from its start (created, or emptied when it exists). A
// failed write is remembered, so that close() tells whether the whole file
// made it to the disk.
class OutputStream {
 public:
  virtual ~OutputStream() = default;
  virtual bool write(std::string_view data) = 0;
  // Overwrites bytes already written at `offset`, then goes on at the end.
  virtual bool write_at(uint64_t offset, std::string_view data) = 0;
  virtual uint64_t size() const = 0;
  // True when every write succeeded and the file was closed.
  virtual bool close() = 0;
};

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
  // For files too large to hold in memory at once; null when the file
  // cannot be opened (a folder, a missing file, a missing parent folder).
  virtual std::unique_ptr<InputStream> open_input(const std::string& path) = 0;
  virtual std::unique_ptr<OutputStream> open_output(const std::string& path) = 0;
  // Lets the file be started as a program (POSIX: its execute bits; a
  // no-op where every file can be).
  virtual bool make_executable(const std::string& path) = 0;
  // "Foo.txt" and "foo.txt" are one file.
  virtual bool names_fold_case() const = 0;
  // Why the last operation failed; empty when there is no reason to give.
  virtual std::string error_text() { return {}; }

  bool exists(const std::string& path) { return is_file(path) || is_folder(path); }
};

// The machine's own file system (platform/files.h).
FileSystem& real_file_system();

// The name of the entry of `folder` (the current folder when empty) that is
// `name` in some letter case, the first the listing gives; empty when there
// is none. A file system that tells letter cases apart may hold TailBite's
// folder as "tailbite" or "TAILBITE".
std::string entry_named_in_any_case(FileSystem& fs, const std::string& folder, std::string_view name);

}  // namespace lh::platform
