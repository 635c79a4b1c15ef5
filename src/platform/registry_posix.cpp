// The registry's file associations (HKEY_CLASSES_ROOT); systems without a
// registry answer as if every key were missing (POSIX).
#include "platform/registry.h"

namespace lh::platform {

std::string classes_root_default_value(const std::string&, std::size_t buffer_size) {
  return std::string(buffer_size, ' ');
}

}  // namespace lh::platform
