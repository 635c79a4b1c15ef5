// Whole files or none: a file the author keeps is written beside its final
// place under a temporary name and renamed over the old one only when it is
// complete. A run that is killed, or a disk that fills up, leaves the old
// file (or none) and never a cut one. The temporary name carries the
// writer's process id; a temporary file whose writer is gone is removed the
// next time its file is written.
#pragma once

#include <string>
#include <string_view>

namespace lh::platform {

class FileSystem;

// `final_path` + ".lhtmp" + this process's id.
std::string temporary_name_for(const std::string& final_path);

// Deletes the temporary files of `final_path` that runs no longer running
// left beside it (this run's own included).
void remove_leftovers(FileSystem& files, const std::string& final_path);

// What a failed write says: which file, and why.
struct WriteFailure {
  std::string path;    // the file that could not be completed
  std::string reason;  // the system's words, or a plain description
  std::string text() const { return path + ": " + reason; }
};

// Writes `data` as the new content of `path`. False, with the reason in
// `failure`, when it could not: the old file is then untouched and no
// temporary file stays.
bool write_whole(FileSystem& files, const std::string& path, std::string_view data, WriteFailure* failure = nullptr);

// The same with the bytes of the file `from`.
bool copy_whole(FileSystem& files, const std::string& from, const std::string& to, WriteFailure* failure = nullptr);

// Puts `temporary`, a complete file the caller made (under
// temporary_name_for(final_path)), in the place of `final_path`. False with
// the reason when the rename fails; the temporary file is then removed.
bool commit_whole(FileSystem& files, const std::string& temporary, const std::string& final_path,
                  WriteFailure* failure = nullptr);

}  // namespace lh::platform
