// A file system that passes every operation on to another: a test derives
// from it and overrides only the operation whose failure it plays (a disk
// that fills up, a file that shrinks while it is read).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace lh::test {

class ForwardingFileSystem : public platform::FileSystem {
 public:
  explicit ForwardingFileSystem(platform::FileSystem& inner) : inner_(inner) {}

  bool read_file(const std::string& p, std::string& out) override { return inner_.read_file(p, out); }
  bool write_file(const std::string& p, std::string_view d) override { return inner_.write_file(p, d); }
  bool append_file(const std::string& p, std::string_view d) override { return inner_.append_file(p, d); }
  bool delete_file(const std::string& p) override { return inner_.delete_file(p); }
  bool copy_file(const std::string& f, const std::string& t) override { return inner_.copy_file(f, t); }
  bool rename_file(const std::string& f, const std::string& t) override { return inner_.rename_file(f, t); }
  bool is_file(const std::string& p) override { return inner_.is_file(p); }
  bool is_folder(const std::string& p) override { return inner_.is_folder(p); }
  int64_t file_size(const std::string& p) override { return inner_.file_size(p); }
  bool create_folder(const std::string& p) override { return inner_.create_folder(p); }
  bool remove_folder(const std::string& p) override { return inner_.remove_folder(p); }
  std::vector<platform::FolderEntry> list_folder(const std::string& f) override { return inner_.list_folder(f); }
  std::unique_ptr<platform::InputStream> open_input(const std::string& p) override { return inner_.open_input(p); }
  std::unique_ptr<platform::OutputStream> open_output(const std::string& p) override { return inner_.open_output(p); }
  bool make_executable(const std::string& p) override { return inner_.make_executable(p); }
  bool names_fold_case() const override { return inner_.names_fold_case(); }
  std::string error_text() override { return inner_.error_text(); }

 private:
  platform::FileSystem& inner_;
};

}  // namespace lh::test
