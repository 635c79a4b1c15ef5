// The directory of a compiled help file: the ITSP header, listing chunks
// (PMGL) holding every entry in name order, and as many levels of index
// chunks (PMGI) as it takes to reach a single root chunk.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lh::chm {

inline constexpr uint32_t kDirectoryChunkSize = 0x1000;
// The longest entry name a listing chunk is sure to hold, with room left
// for its numbers and the chunk's header and quick-reference area.
inline constexpr size_t kMaxEntryNameBytes = 1024;  // UTF-8 bytes

struct DirectoryEntry {
  std::string name;  // UTF-8; "/..." for the manual's files, "::..." for the format's own
  uint32_t section;  // 0 uncompressed, 1 compressed
  uint64_t offset;   // in the section's (uncompressed) data
  uint64_t length;
};

// The order readers search the directory in: byte by byte, ASCII letters
// folded to lower case, other bytes as unsigned values.
int directory_compare(std::string_view a, std::string_view b);

// Adds to `entries` an entry (no data) for every folder that holds one of
// them and has none yet ("/img/" for "/img/a.gif"): readers list a folder's
// files only from its entry. "/" is a folder too.
void add_folder_entries(std::vector<DirectoryEntry>& entries);

// `entries` sorted by directory_compare, no two equal under it, names of
// 1 to kMaxEntryNameBytes bytes.
std::string build_directory(const std::vector<DirectoryEntry>& entries, uint32_t lcid);

}  // namespace lh::chm
