#include "platform/console.h"

namespace lh::platform {

void attach_parent_console() {}

}  // namespace lh::platform
