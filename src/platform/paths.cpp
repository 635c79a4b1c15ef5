#include "platform/paths.h"

namespace lh::platform {

std::string folder_part(std::string_view path) {
  const std::size_t last = path.find_last_of("\\/");
  return last == std::string_view::npos ? std::string() : std::string(path.substr(0, last + 1));
}

std::string_view file_name_part(std::string_view path) {
  const std::size_t last = path.find_last_of("\\/");
  return last == std::string_view::npos ? path : path.substr(last + 1);
}

std::string file_stem(std::string_view path) {
  const std::string_view name = file_name_part(path);
  return std::string(name.substr(0, name.find('.')));
}

}  // namespace lh::platform
