// Where a library's files go in the PureBasic installation, with this
// platform's separators. `purebasic_folder` ends in its separator.
#pragma once

#include <string>
#include <string_view>

#include "purebasic/folder_names.h"

namespace lh::purebasic {

// `folder` (one of folder_names.h) under the PureBasic folder, ending in the
// platform's separator.
std::string folder_in(const std::string& purebasic_folder, std::string_view folder);

// The user library TailBite makes: PureLibraries\UserLibraries\<name>.
std::string user_library_path(const std::string& purebasic_folder, const std::string& library_name);
// The resident file the compiler makes: Residents\<name>.res.
std::string resident_file_path(const std::string& purebasic_folder, const std::string& library_name);
// The manual's copy beside PureBasic's own: help\<name>.chm.
std::string published_manual_path(const std::string& purebasic_folder, const std::string& library_name);

}  // namespace lh::purebasic
