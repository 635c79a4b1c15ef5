// The files a help viewer reads besides the pages: #SYSTEM (what to open
// first, the contents and index files, title, language), #TOPICS with its
// #URLTBL, #URLSTR and #STRINGS (each topic's file and title), and
// #WINDOWS (the viewer's window with its contents and index tabs) when the
// project defines windows or has a contents or index file. #WINDOWS is never
// written empty: viewers read a window definition from it even when it says
// there is none. Besides these, the files every manual of the HTML Help
// compiler holds: #IDXHDR (the contents file's site properties, copied into
// #SYSTEM), $OBJINST (the language and character table of the full-text
// search) and the empty link tables' properties.
#pragma once

#include <cstdint>
#include <string>

#include "chm/chm_compiler.h"

namespace lh::chm {

struct SystemFiles {
  std::string system;  // stored uncompressed, the others compressed
  std::string topics;
  std::string urltbl;
  std::string urlstr;
  std::string strings;
  std::string windows;  // empty: no #WINDOWS
  std::string idxhdr;
  std::string objinst;
  std::string link_property;  // $WWKeywordLinks/Property and $WWAssociativeLinks/Property
};

// `unix_time` stands for the compile time (seconds since 1970); the
// caller derives it from the project so that the bytes repeat.
SystemFiles build_system_files(const ChmProject& project, uint32_t unix_time, bool has_full_text_index);

// The hash a viewer looks topics up by in #URLTBL.
uint32_t url_hash(std::string_view url);

}  // namespace lh::chm
