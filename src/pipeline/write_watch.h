// The build's disk with every write checked: a file system that passes each
// operation on and keeps the first write that failed, with the file and the
// system's reason. The build looks after each step and stops when a file of
// that step could not be written, so that no later step works from a file
// that is missing or cut short (a full disk, a folder it may not write to).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/whole_file.h"

namespace lh {

class WriteWatch final : public platform::FileSystem {
 public:
  explicit WriteWatch(platform::FileSystem& inner) : inner_(inner) {}

  bool read_file(const std::string& path, std::string& out) override { return inner_.read_file(path, out); }
  bool write_file(const std::string& path, std::string_view data) override {
    return note(inner_.write_file(path, data), path);
  }
  bool append_file(const std::string& path, std::string_view data) override {
    return note(inner_.append_file(path, data), path);
  }
  bool delete_file(const std::string& path) override { return inner_.delete_file(path); }
  bool copy_file(const std::string& from, const std::string& to) override {
    return note(inner_.copy_file(from, to) || !inner_.is_file(from), to);
  }
  bool rename_file(const std::string& from, const std::string& to) override {
    return note(inner_.rename_file(from, to), to);
  }
  bool is_file(const std::string& path) override { return inner_.is_file(path); }
  bool is_folder(const std::string& path) override { return inner_.is_folder(path); }
  int64_t file_size(const std::string& path) override { return inner_.file_size(path); }
  bool create_folder(const std::string& path) override { return note(inner_.create_folder(path), path); }
  bool remove_folder(const std::string& path) override { return inner_.remove_folder(path); }
  std::vector<platform::FolderEntry> list_folder(const std::string& folder) override {
    return inner_.list_folder(folder);
  }
  std::unique_ptr<platform::InputStream> open_input(const std::string& path) override {
    return inner_.open_input(path);
  }
  std::unique_ptr<platform::OutputStream> open_output(const std::string& path) override;
  bool make_executable(const std::string& path) override { return note(inner_.make_executable(path), path); }
  bool names_fold_case() const override { return inner_.names_fold_case(); }
  std::string error_text() override { return inner_.error_text(); }

  // The first write that failed since the last forget(); empty path: none.
  const platform::WriteFailure& failure() const { return failure_; }
  bool failed() const { return !failure_.path.empty(); }
  void forget() { failure_ = {}; }
  // A failure the caller found itself, named as the user knows the file.
  void record(const platform::WriteFailure& failure) { failure_ = failure; }

 private:
  bool note(bool ok, const std::string& path) {
    if (!ok && failure_.path.empty()) {
      failure_.path = path;
      failure_.reason = inner_.error_text();
      if (failure_.reason.empty()) failure_.reason = "it could not be written";
    }
    return ok;
  }

  platform::FileSystem& inner_;
  platform::WriteFailure failure_;
};

// An output of the watched disk: its failed writes and close are noted too.
class WatchedOutput final : public platform::OutputStream {
 public:
  WatchedOutput(std::unique_ptr<platform::OutputStream> inner, WriteWatch& watch, std::string path)
      : inner_(std::move(inner)), watch_(watch), path_(std::move(path)) {}
  bool write(std::string_view data) override { return noted(inner_->write(data)); }
  bool write_at(uint64_t offset, std::string_view data) override { return noted(inner_->write_at(offset, data)); }
  uint64_t size() const override { return inner_->size(); }
  bool close() override { return noted(inner_->close()); }

 private:
  bool noted(bool ok);

  std::unique_ptr<platform::OutputStream> inner_;
  WriteWatch& watch_;
  std::string path_;
};

inline std::unique_ptr<platform::OutputStream> WriteWatch::open_output(const std::string& path) {
  auto out = inner_.open_output(path);
  if (!out) {
    note(false, path);
    return nullptr;
  }
  return std::make_unique<WatchedOutput>(std::move(out), *this, path);
}

inline bool WatchedOutput::noted(bool ok) {
  if (!ok && !watch_.failed()) {
    std::string reason = watch_.error_text();
    watch_.record({path_, reason.empty() ? "it could not be written" : reason});
  }
  return ok;
}

}  // namespace lh
