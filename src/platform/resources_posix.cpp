#include "platform/resources.h"

#include "package/pe_resources.h"
#include "platform/files.h"

namespace lh::platform {

bool update_resource(const std::string& executable, const std::string& name,
                     std::string_view data, bool replace_all) {
  std::string image;
  if (!read_file(executable, image)) return false;
  if (!pe::add_rcdata(image, name, data, replace_all)) return false;
  return write_file(executable, image);
}

}  // namespace lh::platform
