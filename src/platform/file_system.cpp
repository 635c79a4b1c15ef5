#include "platform/file_system.h"

#include "base/ascii.h"
#include "platform/file_stream.h"

namespace lh::platform {
namespace {

class RealInput final : public InputStream {
 public:
  explicit RealInput(const std::string& path) : file(path) {}
  int64_t read(char* buffer, size_t size) override { return file.read(buffer, size); }
  InputFile file;
};

class RealOutput final : public OutputStream {
 public:
  explicit RealOutput(const std::string& path) : file(path) {}
  bool write(std::string_view data) override { return file.write(data); }
  bool write_at(uint64_t offset, std::string_view data) override { return file.write_at(offset, data); }
  uint64_t size() const override { return file.size(); }
  bool close() override { return file.close(); }
  OutputFile file;
};

class RealFileSystem final : public FileSystem {
 public:
  bool read_file(const std::string& path, std::string& out) override { return platform::read_file(path, out); }
  bool write_file(const std::string& path, std::string_view data) override { return platform::write_file(path, data); }
  bool append_file(const std::string& path, std::string_view data) override {
    return platform::append_file(path, data);
  }
  bool delete_file(const std::string& path) override { return platform::delete_file(path); }
  bool copy_file(const std::string& from, const std::string& to) override { return platform::copy_file(from, to); }
  bool rename_file(const std::string& from, const std::string& to) override { return platform::rename_file(from, to); }
  bool is_file(const std::string& path) override { return platform::is_file(path); }
  bool is_folder(const std::string& path) override { return platform::is_folder(path); }
  int64_t file_size(const std::string& path) override { return platform::file_size(path); }
  bool create_folder(const std::string& path) override { return platform::create_folder(path); }
  bool remove_folder(const std::string& path) override { return platform::remove_folder(path); }
  std::vector<FolderEntry> list_folder(const std::string& folder) override { return platform::list_folder(folder); }
  std::unique_ptr<InputStream> open_input(const std::string& path) override {
    auto in = std::make_unique<RealInput>(path);
    if (!in->file.is_open()) return nullptr;
    return in;
  }
  std::unique_ptr<OutputStream> open_output(const std::string& path) override {
    auto out = std::make_unique<RealOutput>(path);
    if (!out->file.is_open()) return nullptr;
    return out;
  }
  bool make_executable(const std::string& path) override { return platform::make_executable(path); }
  bool names_fold_case() const override { return platform::names_fold_case(); }
  std::string error_text() override { return platform::last_error_text(); }
};

}  // namespace

FileSystem& real_file_system() {
  static RealFileSystem fs;
  return fs;
}

std::string entry_named_in_any_case(FileSystem& fs, const std::string& folder, std::string_view name) {
  for (const FolderEntry& entry : fs.list_folder(folder.empty() ? "." : folder))
    if (equals_ignoring_case(entry.name, name)) return entry.name;
  return {};
}

}  // namespace lh::platform
