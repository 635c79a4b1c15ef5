// Files and folders. Names are byte strings passed to the OS unchanged
// (the ANSI API on Windows), so a name reaches the file system exactly as
// the library source spelled it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lh::platform {

// The separator that ends every folder value: '\\' on Windows, '/' elsewhere.
char separator();

// True where the file system compares names without regard to letter case
// (Windows), so "Foo.txt" and "foo.txt" are one file.
bool names_fold_case();

// The form of a file name under which the file system finds it: on Windows
// the name in upper case by the system code page (so "\xC4rger.txt" and
// "\xE4rger.txt" meet too), elsewhere the name unchanged.
std::string folded_name(std::string_view name);

// Reads the whole file into `out`. False when it cannot be opened or read.
bool read_file(const std::string& path, std::string& out);

// Creates the file, or empties an existing one, and writes `data`.
bool write_file(const std::string& path, std::string_view data);

// Opens the file (creating it when missing) and writes `data` at its end.
bool append_file(const std::string& path, std::string_view data);

bool delete_file(const std::string& path);

// Copies `from` to `to`, replacing `to`.
bool copy_file(const std::string& from, const std::string& to);

// Renames `from` to `to` in one step, replacing `to`: a reader sees the old
// file or the new one, never a mix. The bytes of `from` reach the disk
// before the name does, so a power failure leaves one of the two as well.
bool rename_file(const std::string& from, const std::string& to);

// Why the last file operation of this thread failed, in the system's words
// ("No space left on device"); empty when it gave no reason.
std::string last_error_text();

// The system's words for an error code (errno, GetLastError).
std::string error_text(unsigned long code);

bool exists(const std::string& path);  // as a file or a folder
bool is_file(const std::string& path);
bool is_folder(const std::string& path);

// Size in bytes of a file; -1 when it is missing or a folder.
int64_t file_size(const std::string& path);

// Creates one folder; true when it exists afterwards.
bool create_folder(const std::string& path);

// Removes an empty folder.
bool remove_folder(const std::string& path);

struct FolderEntry {
  std::string name;
  bool is_folder = false;
};

// The entries directly inside a folder, without "." and "..", in the order
// the OS gives them. Empty when the folder cannot be listed.
std::vector<FolderEntry> list_folder(const std::string& folder);

// Makes a file read-only or writable again (used by tests and by the
// work-folder removal, which must leave read-only files alone).
bool set_read_only(const std::string& path, bool read_only);

// Marks a file as a program that may be started (POSIX execute bits; on
// Windows every file with an .exe name is one already).
bool make_executable(const std::string& path);

}  // namespace lh::platform
