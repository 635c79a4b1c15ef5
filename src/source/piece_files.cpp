#include "source/piece_files.h"

namespace lh {

namespace {

// Writes what the file took since its last write, and keeps `on_disk` what
// the folder now holds: a write that fails leaves the folder as it was.
void write_out(PieceFiles& files, PieceFile& f) {
  const std::string path = files.folder + f.name;
  if (f.replace) {
    if (files.fs->write_file(path, f.pending)) {
      f.on_disk = std::move(f.pending);
      f.exists = true;
    }
  } else if (!f.pending.empty() && files.fs->append_file(path, f.pending)) {
    if (!f.exists) f.on_disk.clear();
    f.on_disk += f.pending;
    f.exists = true;
  }
  f.pending.clear();
  f.replace = false;
}

// The first creation after a deletion names the file; where the deletion
// failed the name reaches the same file, so either spelling is right.
void take_spelling(PieceFile& file, std::string_view spelled) {
  if (!file.renamed) return;
  file.name = std::string(spelled);
  file.renamed = false;
}

}  // namespace

PieceFiles make_piece_files(platform::FileSystem& fs, const std::string& folder, const WorkFiles& brought) {
  PieceFiles files;
  files.fs = &fs;
  files.folder = folder;
  files.fold_case = fs.names_fold_case();
  for (const WorkFile& b : brought) {
    PieceFile& f = piece_file(files, b.name);
    f.on_disk = b.content;
    f.exists = true;
  }
  return files;
}

PieceFile& piece_file(PieceFiles& files, std::string_view name) {
  std::string key = piece_key(name, files.fold_case);
  auto it = files.by_name.find(key);
  if (it != files.by_name.end()) return *it->second;
  PieceFile& f = files.files.emplace_back();
  f.name = std::string(name);
  files.by_name.emplace(std::move(key), &f);
  return f;
}

void piece_append(PieceFile& file, std::string_view spelled, std::string_view line) {
  take_spelling(file, spelled);
  file.pending += line;
  file.pending += "\r\n";
}

void piece_replace(PieceFile& file, std::string_view spelled, std::string_view data) {
  // Emptying an existing file keeps its name; only a new one takes this spelling.
  take_spelling(file, spelled);
  file.replace = true;
  file.pending = std::string(data);
}

void piece_delete(PieceFiles& files, PieceFile& file) {
  write_out(files, file);
  const std::string path = files.folder + file.name;
  // A file the system would not delete keeps its content under what follows.
  if (files.fs->delete_file(path) || !files.fs->exists(path)) {
    file.exists = false;
    file.on_disk.clear();
  }
  file.renamed = true;
}

WorkFiles write_piece_files(PieceFiles& files) {
  WorkFiles out;
  for (PieceFile& f : files.files) {
    write_out(files, f);
    if (f.exists) out.push_back(WorkFile{std::move(f.name), std::move(f.on_disk)});
  }
  return out;
}

}  // namespace lh
