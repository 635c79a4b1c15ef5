// Files of the work folder held in memory while the splitter fills them,
// then written once. Each file remembers what the line-by-line writing
// would have done to it (appends to whatever the folder already held, a
// recreation, a deletion), so writing it out gives the same bytes on disk.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace lh {

struct PieceFile {
  enum State : uint8_t {
    kUntouched,  // whatever the folder holds under this name, then `data`
    kCreated,    // `data` is the whole file
    kDeleted,    // no file
  };
  std::string name;  // file name as it will be written (the spelling that created it)
  std::string data;
  State state = kUntouched;
  bool was_deleted = false;  // the folder's own file must go before `data` is written
};

struct PieceFiles {
  std::string folder;  // ends in its separator
  bool fold_case = false;  // "Foo.txt" and "foo.txt" are one file
  std::deque<PieceFile> files;  // in order of first use; addresses stay put
  std::unordered_map<std::string, PieceFile*> by_name;
};

PieceFiles make_piece_files(const std::string& folder, bool fold_case);

// The file of that name, made on first use (nothing touches the disk).
PieceFile& piece_file(PieceFiles& files, std::string_view name);

// `line` and CR LF at the end of the file, creating it under `spelled` when
// there is none.
void piece_append(PieceFile& file, std::string_view spelled, std::string_view line);
// The file created anew (an existing one emptied) holding `data`.
void piece_replace(PieceFile& file, std::string_view spelled, std::string_view data);
void piece_delete(PieceFile& file);

// Writes every file to the folder, in order of first use. A file that cannot
// be written loses its lines, as a line that cannot be appended would be.
void write_piece_files(const PieceFiles& files);

}  // namespace lh
