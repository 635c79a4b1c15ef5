#include "platform/resources.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "pe/pe_resources.h"
#include "platform/files.h"

namespace lh::platform {

bool update_resource(const std::string& executable, const std::string& name, std::string_view data, bool replace_all) {
  bool ok = false;
  {
    std::string image;
    ok =
        read_file(executable, image) && pe::add_rcdata(image, name, data, replace_all) && write_file(executable, image);
  }
#ifdef __GLIBC__
  // The old and the new image are as large as the whole package. Blocks of
  // that size that the allocator keeps after they are freed would stay in
  // the process for every later resource: hand them back to the system.
  malloc_trim(0);
#endif
  return ok;
}

}  // namespace lh::platform
