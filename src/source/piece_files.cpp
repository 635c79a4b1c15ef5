#include "source/piece_files.h"

#include "platform/files.h"

namespace lh {

namespace {

void write_out(const std::string& folder, const PieceFile& f) {
  std::string path = folder + f.name;
  if (f.replace)
    platform::write_file(path, f.data);
  else if (!f.data.empty())
    platform::append_file(path, f.data);
}

}  // namespace

PieceFiles make_piece_files(const std::string& folder, bool fold_case) {
  PieceFiles files;
  files.folder = folder;
  files.fold_case = fold_case;
  return files;
}

PieceFile& piece_file(PieceFiles& files, std::string_view name) {
  std::string key = files.fold_case ? platform::folded_name(name) : std::string(name);
  auto it = files.by_name.find(key);
  if (it != files.by_name.end()) return *it->second;
  PieceFile& f = files.files.emplace_back();
  f.name = std::string(name);
  files.by_name.emplace(std::move(key), &f);
  return f;
}

void piece_append(PieceFile& file, std::string_view spelled, std::string_view line) {
  if (file.renamed) {
    // Where the deletion succeeded, this append creates the file under this
    // spelling; where it failed, the name reaches the same file.
    file.name = std::string(spelled);
    file.renamed = false;
  }
  file.data += line;
  file.data += "\r\n";
}

void piece_replace(PieceFile& file, std::string_view spelled, std::string_view data) {
  // Emptying an existing file keeps its name; only a new one takes this spelling.
  if (file.renamed) {
    file.name = std::string(spelled);
    file.renamed = false;
  }
  file.replace = true;
  file.data = std::string(data);
}

void piece_delete(const PieceFiles& files, PieceFile& file) {
  write_out(files.folder, file);
  platform::delete_file(files.folder + file.name);
  file.data.clear();
  file.replace = false;
  file.renamed = true;
}

void write_piece_files(const PieceFiles& files) {
  for (const PieceFile& f : files.files) write_out(files.folder, f);
}

}  // namespace lh
