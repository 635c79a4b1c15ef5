#include "source/piece_files.h"

#include "platform/files.h"

namespace lh {

namespace {

// Writes what the file holds so far. True when there is a file holding it.
bool write_out(const std::string& folder, const PieceFile& f) {
  std::string path = folder + f.name;
  if (f.replace) return platform::write_file(path, f.data);
  return !f.data.empty() && platform::append_file(path, f.data);
}

}  // namespace

std::string piece_key(std::string_view name, bool fold_case) {
  return fold_case ? platform::folded_name(name) : std::string(name);
}

void forget_piece_content(PieceContents& known, std::string_view name) {
  known.erase(piece_key(name, platform::names_fold_case()));
}

PieceFiles make_piece_files(const std::string& folder, bool fold_case) {
  PieceFiles files;
  files.folder = folder;
  files.fold_case = fold_case;
  for (const platform::FolderEntry& e : platform::list_folder(folder))
    files.present.insert(piece_key(e.name, fold_case));
  return files;
}

PieceFile& piece_file(PieceFiles& files, std::string_view name) {
  std::string key = piece_key(name, files.fold_case);
  auto it = files.by_name.find(key);
  if (it != files.by_name.end()) return *it->second;
  PieceFile& f = files.files.emplace_back();
  f.name = std::string(name);
  f.whole = !files.present.count(key);
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
  file.whole = true;
  file.data = std::string(data);
}

void piece_delete(const PieceFiles& files, PieceFile& file) {
  write_out(files.folder, file);
  const std::string path = files.folder + file.name;
  // A file the system would not delete keeps its lines under what follows.
  file.whole = platform::delete_file(path) || !platform::exists(path);
  file.data.clear();
  file.replace = false;
  file.renamed = true;
}

void write_piece_files(PieceFiles& files, PieceContents* known) {
  for (PieceFile& f : files.files) {
    if (write_out(files.folder, f) && known && f.whole)
      known->insert_or_assign(piece_key(f.name, files.fold_case), std::move(f.data));
  }
}

}  // namespace lh
