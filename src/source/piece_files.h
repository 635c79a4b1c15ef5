// Files of the work folder held in memory while the splitter fills them,
// then written once. What reaches the disk is what appending every line as
// it was met would have left there: lines are appended to whatever the
// folder already held, a recreation replaces the file, and a deletion is
// carried out when it is met (the file's earlier lines written first), so
// that a file the system may not delete keeps its lines just as it would.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace lh {

struct PieceFile {
  std::string name;      // file name as it will be written
  std::string data;      // bytes still to be written
  bool replace = false;  // `data` is the whole file, not an addition to it
  bool renamed = false;  // the next creation names the file (after a deletion)
  bool whole = false;    // nothing else is in the file: `data` will be all of it
};

struct PieceFiles {
  std::string folder;           // ends in its separator
  bool fold_case = false;       // "Foo.txt" and "foo.txt" are one file (platform::folded_name)
  std::deque<PieceFile> files;  // in order of first use; addresses stay put
  std::unordered_map<std::string, PieceFile*> by_name;
  std::unordered_set<std::string> present;  // keys of the files the folder held at the start
};

// The whole content of work folder files, by piece_key(file name), as they
// were written: what later steps would otherwise read back from the disk.
using PieceContents = std::unordered_map<std::string, std::string>;

// The key of a file name in PieceFiles and PieceContents: the name as the
// file system finds it (folded where names fold case).
std::string piece_key(std::string_view name, bool fold_case);

// Drops the file's content from `known`, for a file that was written again
// after the split.
void forget_piece_content(PieceContents& known, std::string_view name);

// Lists `folder` once, so that each file knows whether the folder already
// held something under its name.
PieceFiles make_piece_files(const std::string& folder, bool fold_case);

// The file of that name, made on first use (nothing touches the disk).
PieceFile& piece_file(PieceFiles& files, std::string_view name);

// `line` and CR LF at the end of the file; a file that does not exist is
// created under `spelled`.
void piece_append(PieceFile& file, std::string_view spelled, std::string_view line);
// The file created anew (an existing one emptied) holding `data`.
void piece_replace(PieceFile& file, std::string_view spelled, std::string_view data);
// Writes what the file holds so far, then deletes it from the folder.
void piece_delete(const PieceFiles& files, PieceFile& file);

// Writes every file to the folder, in order of first use. A file that cannot
// be written loses its lines, as a line that cannot be appended would be.
// When `known` is given, the files now holding exactly what was written
// there move their content into it (the files' data is left empty).
void write_piece_files(PieceFiles& files, PieceContents* known = nullptr);

}  // namespace lh
