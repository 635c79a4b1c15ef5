// A library's manual pages, made by the help generation as a build makes
// them, gathered into a help project for the built-in compiler.
#pragma once

#include <string>

#include "chm/chm_compiler.h"

namespace lh {

// What a build leaves in `work_folder` (which must exist) for the help
// compiler, from the library source at `source_path`: the piece files, the
// "Compilation" page's record, the pages, the warning image and the help
// project files.
void write_manual_folder(const std::string& source_path, const std::string& work_folder, const std::string& library);

// Splits the library source at `source_path` into `work_folder` (which must
// exist), writes the pages, the warning image and the help project files,
// and returns the project: every page, image and sitemap of the folder, and
// one topic per page titled with the page's name. `full_text_search` as given.
chm::ChmProject manual_project(const std::string& source_path, const std::string& work_folder,
                               const std::string& library, bool full_text_search);

}  // namespace lh
