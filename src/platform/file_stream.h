// Files read and written in blocks, for outputs and inputs too large to
// hold in memory at once (a manual of a few GB, an installer carrying it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lh::platform {

// A file read from its start, block by block.
class InputFile {
 public:
  explicit InputFile(const std::string& path);  // a folder does not open
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  bool is_open() const { return handle_ != kClosed; }
  // Reads up to `size` bytes into `buffer`: the count read, 0 at the end of
  // the file, -1 on a read error (or when it is not open).
  int64_t read(char* buffer, size_t size);

 private:
  static constexpr intptr_t kClosed = -1;
  intptr_t handle_ = kClosed;
};

// A file written from its start; the file is created, or emptied when it
// exists. A failed write is remembered, so that close() tells whether the
// whole file made it to the disk.
class OutputFile {
 public:
  explicit OutputFile(const std::string& path);
  ~OutputFile();  // closes it when close() was not called
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool is_open() const { return handle_ != kClosed; }
  bool write(std::string_view data);
  // Overwrites bytes already written at `offset`, then goes on at the end.
  bool write_at(uint64_t offset, std::string_view data);
  uint64_t size() const { return size_; }
  // True when the file was opened, every write succeeded and it closed.
  bool close();

 private:
  static constexpr intptr_t kClosed = -1;
  intptr_t handle_ = kClosed;
  uint64_t size_ = 0;
  bool ok_ = false;
};

}  // namespace lh::platform
