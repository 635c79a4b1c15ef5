// Reading an HTML Help project (.hhp) the way the HTML Help compiler does:
// the [OPTIONS] section, an optional [FILES] section, and every file that the
// contents file, the index file, the listed files and the pages they link to
// reference, followed from page to page.
#pragma once

#include <string>
#include <vector>

#include "chm/chm_compiler.h"

namespace lh::chm {

struct HelpProjectReading {
  ChmProject project;       // the manual's files and topics, in a stable order
  std::string output_path;  // "Compiled file=" beside the project (or as its path says)
  // Files the project names or its files reference that are not there (or
  // cannot be read), as the project's folder sees them ("img/logo.gif"), each
  // once, in the order they were met. The manual is made without them.
  std::vector<std::string> missing;
  // Those of `missing` that only the links of pages or style sheets name,
  // not the project itself (its options, [FILES], windows, contents and
  // index entries): a page's dangling link, such as the "Show source" link
  // of Sphinx's pages, whose sources its HTML Help builder leaves out.
  std::vector<std::string> linked_missing;
  // What the project names that the manual cannot hold, each with the
  // reason: "../x.css (outside the project's folder)". The manual is made
  // without them.
  std::vector<std::string> left_out;
};

// Where the bytes of the manual's files stay once the reader has looked
// into them: in each ChmSourceFile's content, or on disk (content empty,
// disk_path and disk_size set), so that a project of any size can be read.
enum class FileBytes { kInMemory, kLeftOnDisk };

// Reads the project at `hhp_path` and every file it takes in, all through
// `files`, into `reading`. Names inside the manual are relative to the
// project's folder with "/" between folders; references that lead outside
// that folder, absolute paths and URLs (http:, mailto:, javascript:, ...)
// are not followed. False when the project file cannot be read.
bool read_help_project(platform::FileSystem& files, const std::string& hhp_path, HelpProjectReading& reading,
                       FileBytes bytes = FileBytes::kInMemory);

}  // namespace lh::chm
