#include "purebasic/folder_layout.h"

#include "platform/files.h"

namespace lh::purebasic {

std::string folder_in(const std::string& purebasic_folder, std::string_view folder) {
  std::string path = purebasic_folder;
  path.reserve(path.size() + folder.size());
  for (char c : folder) path += c == '\\' ? platform::separator() : c;
  return path;
}

std::string user_library_path(const std::string& purebasic_folder, const std::string& library_name) {
  return folder_in(purebasic_folder, kUserLibrariesFolder) + library_name;
}

std::string resident_file_path(const std::string& purebasic_folder, const std::string& library_name) {
  return folder_in(purebasic_folder, kResidentsFolder) + library_name + ".res";
}

std::string published_manual_path(const std::string& purebasic_folder, const std::string& library_name) {
  return folder_in(purebasic_folder, kHelpFolder) + library_name + ".chm";
}

}  // namespace lh::purebasic
