#include "platform/memory_file_system.h"

#include <algorithm>

#include "base/ascii.h"
#include "platform/paths.h"

namespace lh::platform {
namespace {

// A folder path without its trailing separator, so "C:\w\" and "C:\w" meet.
std::string_view without_separator(std::string_view path) {
  while (path.size() > 1 && path.back() == separator() && path[path.size() - 2] != ':') path.remove_suffix(1);
  return path;
}

bool is_root(std::string_view path) {
  path = without_separator(path);
  return path == "/" ||
         (path.size() >= 2 && path.size() <= 3 && path[1] == ':' && (path.size() == 2 || path[2] == separator()));
}

}  // namespace

std::string MemoryFileSystem::key(std::string_view path) const {
  std::string k(without_separator(path));
  return fold_case_ ? to_upper(k) : k;
}

bool MemoryFileSystem::parent_exists(const std::string& path) const {
  const std::string parent = folder_part(without_separator(path));
  return parent.empty() || is_root(parent) || folders_.count(key(parent)) != 0;
}

bool MemoryFileSystem::read_file(const std::string& path, std::string& out) {
  auto it = files_.find(key(path));
  if (it == files_.end()) return false;
  out = it->second.data;
  return true;
}

bool MemoryFileSystem::write_file(const std::string& path, std::string_view data) {
  const std::string k = key(path);
  if (folders_.count(k) || !parent_exists(path)) return false;
  auto [it, fresh] = files_.try_emplace(k, File{path, {}});
  it->second.data.assign(data);
  return true;
}

bool MemoryFileSystem::append_file(const std::string& path, std::string_view data) {
  const std::string k = key(path);
  if (folders_.count(k) || !parent_exists(path)) return false;
  files_.try_emplace(k, File{path, {}}).first->second.data.append(data);
  return true;
}

bool MemoryFileSystem::delete_file(const std::string& path) { return files_.erase(key(path)) != 0; }

bool MemoryFileSystem::copy_file(const std::string& from, const std::string& to) {
  std::string data;
  return read_file(from, data) && write_file(to, data);
}

bool MemoryFileSystem::rename_file(const std::string& from, const std::string& to) {
  auto it = files_.find(key(from));
  if (it == files_.end() || folders_.count(key(to)) || !parent_exists(to)) return false;
  std::string data = std::move(it->second.data);
  files_.erase(it);
  files_.erase(key(to));
  files_.emplace(key(to), File{to, std::move(data)});
  return true;
}

bool MemoryFileSystem::is_file(const std::string& path) { return files_.count(key(path)) != 0; }

bool MemoryFileSystem::is_folder(const std::string& path) { return is_root(path) || folders_.count(key(path)) != 0; }

int64_t MemoryFileSystem::file_size(const std::string& path) {
  auto it = files_.find(key(path));
  return it == files_.end() ? -1 : static_cast<int64_t>(it->second.data.size());
}

bool MemoryFileSystem::create_folder(const std::string& path) {
  const std::string k = key(path);
  if (is_folder(path)) return true;
  if (files_.count(k) || !parent_exists(path)) return false;
  folders_.emplace(k, std::string(without_separator(path)));
  return true;
}

bool MemoryFileSystem::remove_folder(const std::string& path) {
  if (!folders_.count(key(path)) || !list_folder(path).empty()) return false;
  folders_.erase(key(path));
  return true;
}

std::vector<FolderEntry> MemoryFileSystem::list_folder(const std::string& folder) {
  std::vector<FolderEntry> out;
  if (!is_folder(folder)) return out;
  std::string prefix = key(folder);
  if (prefix.empty() || prefix.back() != separator()) prefix += separator();
  auto direct_child = [&](const std::string& k) {
    return k.size() > prefix.size() && k.compare(0, prefix.size(), prefix) == 0 &&
           k.find(separator(), prefix.size()) == std::string::npos;
  };
  for (auto it = folders_.lower_bound(prefix); it != folders_.end() && it->first.compare(0, prefix.size(), prefix) == 0;
       ++it)
    if (direct_child(it->first)) out.push_back({std::string(file_name_part(it->second)), true});
  for (auto it = files_.lower_bound(prefix); it != files_.end() && it->first.compare(0, prefix.size(), prefix) == 0;
       ++it)
    if (direct_child(it->first)) out.push_back({std::string(file_name_part(it->second.path)), false});
  return out;
}

namespace {

// Reads a copy taken when the file was opened, as a reader of a real file
// that another writes meanwhile may see either.
class MemoryInput final : public InputStream {
 public:
  explicit MemoryInput(std::string data) : data_(std::move(data)) {}
  int64_t read(char* buffer, size_t size) override {
    const size_t n = std::min(size, data_.size() - at_);
    data_.copy(buffer, n, at_);
    at_ += n;
    return static_cast<int64_t>(n);
  }

 private:
  std::string data_;
  size_t at_ = 0;
};

// Each write lands in the file at once, so that the file system sees a file
// growing as a real one does.
class MemoryOutput final : public OutputStream {
 public:
  MemoryOutput(MemoryFileSystem& files, std::string path) : files_(files), path_(std::move(path)) {}
  bool write(std::string_view data) override {
    ok_ = ok_ && files_.append_file(path_, data);
    if (ok_) size_ += data.size();
    return ok_;
  }
  bool write_at(uint64_t offset, std::string_view data) override {
    std::string whole;
    ok_ = ok_ && offset + data.size() <= size_ && files_.read_file(path_, whole);
    if (!ok_) return false;
    whole.replace(static_cast<size_t>(offset), data.size(), data);
    return ok_ = files_.write_file(path_, whole);
  }
  uint64_t size() const override { return size_; }
  bool close() override { return ok_ && files_.is_file(path_); }

 private:
  MemoryFileSystem& files_;
  std::string path_;
  uint64_t size_ = 0;
  bool ok_ = true;
};

}  // namespace

std::unique_ptr<InputStream> MemoryFileSystem::open_input(const std::string& path) {
  std::string data;
  if (!read_file(path, data)) return nullptr;
  return std::make_unique<MemoryInput>(std::move(data));
}

std::unique_ptr<OutputStream> MemoryFileSystem::open_output(const std::string& path) {
  if (!write_file(path, {})) return nullptr;
  return std::make_unique<MemoryOutput>(*this, path);
}

std::map<std::string, std::string> MemoryFileSystem::files() const {
  std::map<std::string, std::string> out;
  for (const auto& [k, f] : files_) out.emplace(f.path, f.data);
  return out;
}

}  // namespace lh::platform
