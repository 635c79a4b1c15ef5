#include "source/piece_files.h"

#include "platform/files.h"
#include "source/text.h"

namespace lh {

PieceFiles make_piece_files(const std::string& folder, bool fold_case) {
  PieceFiles files;
  files.folder = folder;
  files.fold_case = fold_case;
  return files;
}

PieceFile& piece_file(PieceFiles& files, std::string_view name) {
  std::string key = files.fold_case ? to_lower(name) : std::string(name);
  auto it = files.by_name.find(key);
  if (it != files.by_name.end()) return *it->second;
  PieceFile& f = files.files.emplace_back();
  f.name = std::string(name);
  files.by_name.emplace(std::move(key), &f);
  return f;
}

void piece_append(PieceFile& file, std::string_view spelled, std::string_view line) {
  if (file.state == PieceFile::kDeleted) {
    // The append creates the file again, under this spelling.
    file.state = PieceFile::kCreated;
    file.name = std::string(spelled);
  }
  file.data += line;
  file.data += "\r\n";
}

void piece_replace(PieceFile& file, std::string_view spelled, std::string_view data) {
  // Emptying an existing file keeps its name; only a new one takes this spelling.
  if (file.state == PieceFile::kDeleted) file.name = std::string(spelled);
  file.state = PieceFile::kCreated;
  file.data = std::string(data);
}

void piece_delete(PieceFile& file) {
  file.state = PieceFile::kDeleted;
  file.was_deleted = true;
  file.data.clear();
}

void write_piece_files(const PieceFiles& files) {
  for (const PieceFile& f : files.files) {
    std::string path = files.folder + f.name;
    switch (f.state) {
      case PieceFile::kUntouched:
        if (!f.data.empty()) platform::append_file(path, f.data);
        break;
      case PieceFile::kCreated:
        if (f.was_deleted) platform::delete_file(path);
        platform::write_file(path, f.data);
        break;
      case PieceFile::kDeleted:
        platform::delete_file(path);
        break;
    }
  }
}

}  // namespace lh
