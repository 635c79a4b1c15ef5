// The files that describe the LZX-compressed section ("MSCompressed") to a
// reader: its content, the control data (window and reset interval), the
// reset table (where each 32 KB frame starts in the compressed stream), the
// uncompressed size and the transform list; and the section name list.
#pragma once

#include <string>
#include <vector>

#include "chm/lzx.h"

namespace lh::chm {

inline constexpr unsigned kWindowBits = 16;  // a 64 KB window

struct NamedFile {
  std::string name;
  std::string data;
};

// Every such file but the content itself, stored in the uncompressed
// section; `reset_interval_frames` as given to the compressor.
std::vector<NamedFile> compressed_section_files(const LzxStream& stream, unsigned reset_interval_frames);

inline constexpr const char* kContentName = "::DataSpace/Storage/MSCompressed/Content";

}  // namespace lh::chm
