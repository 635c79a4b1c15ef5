#include "platform/resources.h"

#include <windows.h>

namespace lh::platform {

bool update_resource(const std::string& executable, const std::string& name, std::string_view data, bool replace_all) {
  HANDLE update = BeginUpdateResourceA(executable.c_str(), replace_all ? TRUE : FALSE);
  if (!update) return false;
  BOOL put = UpdateResourceA(update, MAKEINTRESOURCEA(10) /* RT_RCDATA */, name.c_str(),
                             MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), const_cast<char*>(data.data()),
                             static_cast<DWORD>(data.size()));
  // The update is committed whatever UpdateResourceA gave, as that closes
  // the handle; a commit that fails leaves the file as it was, so it counts
  // as a failure too.
  BOOL committed = EndUpdateResourceA(update, FALSE);
  return put && committed;
}

}  // namespace lh::platform
