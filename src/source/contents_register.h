// The contents register "chm.ini": under which description name (group)
// each page entry and exported procedure stands. Held in memory while the
// build fills it and written to the work folder as a whole, so a build with
// thousands of entries does not rewrite the file once per registration.
//
// File form: the top-level keys first, then "[group]" lines each followed by
// the group's keys; every key line is the key, " = ", the value; CR LF after
// every line. Names are written byte for byte, spaces included. A name that
// holds "=", "]", CR, LF or NUL could not be read back from that form, so it
// alone is written as "=" followed by the upper-case hex of its bytes; plain
// names never hold "=", so no plain name can be taken for an escaped one.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/file_system.h"

namespace lh {

struct ContentsKey {
  std::string name;
  std::string value;      // "1" for every key the system registers
  bool raw_line = false;  // a line of a brought file that is no key: kept as it was
};

struct ContentsGroup {
  std::string name;  // empty for the top level
  std::vector<ContentsKey> keys;
  std::unordered_map<std::string, size_t> index;  // lower-cased key name -> position in keys
};

struct ContentsRegister {
  // groups[0] is always the top level (empty name); the others in file order.
  std::vector<ContentsGroup> groups{ContentsGroup{}};
  std::unordered_map<std::string, size_t> group_index{{"", 0}};  // lower-cased name -> position
  bool changed = false;                                          // a registration happened since the last load or write
};

// Records `key` with the value "1" under `group` (the top level when empty).
// Groups and keys are matched without regard to letter case; a key already
// present keeps its place and takes the new letter case; a new key goes after
// the last key of its group; a new group goes at the end.
void register_contents_entry(ContentsRegister& reg, std::string_view group, std::string_view key);

// The register's file text.
std::string format_contents_register(const ContentsRegister& reg);

// Parses a register's file text (any of CR LF, LF, CR line ends; blank lines
// ignored). Also accepts a hand-written "chm.ini" ("key=value" without the
// spaces, lines that are no key are kept as they are).
ContentsRegister parse_contents_register(std::string_view text);

// work folder + "chm.ini". Loading replaces `reg` with the file's content
// (an empty register when there is no file) and returns whether it was read.
std::string contents_register_path(const std::string& work_folder);
bool load_contents_register(platform::FileSystem& fs, const std::string& work_folder, ContentsRegister& reg);
// Writes the whole register; false when the file cannot be written.
bool write_contents_register(platform::FileSystem& fs, const std::string& work_folder, ContentsRegister& reg);

// The three readings, in file order.
std::vector<std::string> contents_top_level_keys(const ContentsRegister& reg);
std::vector<std::string> contents_groups(const ContentsRegister& reg);
// Keys of one group, matched without regard to letter case; empty when the
// group is missing. An empty group name gives the top-level keys.
std::vector<std::string> contents_group_keys(const ContentsRegister& reg, std::string_view group);

// Reads work folder + "chm.ini" (an empty register when it is missing).
ContentsRegister read_contents_register(platform::FileSystem& fs, const std::string& work_folder);

}  // namespace lh
