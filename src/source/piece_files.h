// The split's files of the work folder, held in memory while the split
// fills them and written once at its end. Each file starts as the folder
// holds it (a file the include folder brought, or none) and then takes, in
// the order the split meets them:
//   - appends: a line and CR LF after what the file holds;
//   - a replacement: the file made anew (an existing one emptied);
//   - a deletion: carried out on the disk when it is met, after what the
//     file took so far has been written, so that a file the system will not
//     delete keeps its content and takes what follows.
// A file that cannot be written keeps what the folder held; the content
// handed on is always what the folder holds in the end.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/file_system.h"
#include "source/manual_model.h"

namespace lh {

struct PieceFile {
  std::string name;      // the file name the folder knows it by
  std::string on_disk;   // what the folder holds under that name (when `exists`)
  bool exists = false;   // the folder holds this file
  std::string pending;   // bytes not yet written
  bool replace = false;  // `pending` is the whole file, not an addition to it
  bool renamed = false;  // the next creation names the file (after a deletion)
};

struct PieceFiles {
  platform::FileSystem* fs = nullptr;
  std::string folder;                                   // ends in its separator
  bool fold_case = false;                               // "Foo.txt" and "foo.txt" are one file
  std::deque<PieceFile> files;                          // in order of first use; addresses stay put
  std::unordered_map<std::string, PieceFile*> by_name;  // by piece_key
};

// The files of `folder`, starting from what it holds: `brought` (the only
// files in it). Nothing touches the disk.
PieceFiles make_piece_files(platform::FileSystem& fs, const std::string& folder, const WorkFiles& brought);

// The file of that name, made on first use.
PieceFile& piece_file(PieceFiles& files, std::string_view name);

// `line` and CR LF at the end of the file; a file that does not exist is
// created under `spelled`.
void piece_append(PieceFile& file, std::string_view spelled, std::string_view line);
// The file created anew (an existing one emptied) holding `data`.
void piece_replace(PieceFile& file, std::string_view spelled, std::string_view data);
// Writes what the file took so far, then deletes it from the folder.
void piece_delete(PieceFiles& files, PieceFile& file);

// Writes every file to the folder, in order of first use, and hands on
// every file the folder then holds, with its content.
WorkFiles write_piece_files(PieceFiles& files);

}  // namespace lh
