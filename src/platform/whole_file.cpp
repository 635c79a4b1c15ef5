#include "platform/whole_file.h"

#include <string_view>

#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace lh::platform {
namespace {

constexpr std::string_view kTemporaryMark = ".lhtmp";

bool fail(FileSystem& files, const std::string& path, WriteFailure* failure, std::string reason = {}) {
  if (reason.empty()) reason = files.error_text();
  if (reason.empty()) reason = "the file could not be written";
  if (failure) *failure = {path, reason};
  return false;
}

}  // namespace

std::string temporary_name_for(const std::string& final_path) {
  return final_path + std::string(kTemporaryMark) + std::to_string(current_process_id());
}

void remove_leftovers(FileSystem& files, const std::string& final_path) {
  const std::string folder = folder_part(final_path);
  const std::string prefix = std::string(file_name_part(final_path)) + std::string(kTemporaryMark);
  for (const FolderEntry& entry : files.list_folder(folder.empty() ? std::string(".") : folder)) {
    if (entry.is_folder || entry.name.size() <= prefix.size() || entry.name.compare(0, prefix.size(), prefix) != 0)
      continue;
    unsigned long pid = 0;
    bool digits = true;
    for (size_t i = prefix.size(); i < entry.name.size(); ++i) {
      const char c = entry.name[i];
      if (c < '0' || c > '9') {
        digits = false;
        break;
      }
      pid = pid * 10 + static_cast<unsigned long>(c - '0');
    }
    if (!digits) continue;
    if (pid == current_process_id() || !process_is_running(pid)) files.delete_file(folder + entry.name);
  }
}

bool commit_whole(FileSystem& files, const std::string& temporary, const std::string& final_path,
                  WriteFailure* failure) {
  if (files.rename_file(temporary, final_path)) return true;
  const std::string reason = files.error_text();
  files.delete_file(temporary);
  return fail(files, final_path, failure, reason.empty() ? "it could not be replaced" : reason);
}

bool write_whole(FileSystem& files, const std::string& path, std::string_view data, WriteFailure* failure) {
  remove_leftovers(files, path);
  const std::string temporary = temporary_name_for(path);
  if (!files.write_file(temporary, data)) {
    const std::string reason = files.error_text();
    files.delete_file(temporary);
    return fail(files, path, failure, reason);
  }
  return commit_whole(files, temporary, path, failure);
}

bool copy_whole(FileSystem& files, const std::string& from, const std::string& to, WriteFailure* failure) {
  std::string data;
  if (!files.is_file(from) || !files.read_file(from, data)) {
    const std::string reason = files.error_text();
    return fail(files, to, failure,
                "its source " + from + " could not be read" + (reason.empty() ? "" : ": " + reason));
  }
  return write_whole(files, to, data, failure);
}

}  // namespace lh::platform
