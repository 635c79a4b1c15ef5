// The registry's file associations (HKEY_CLASSES_ROOT); systems without a
// registry answer as if every key were missing (Windows, ANSI API: names pass byte for byte).
#include <windows.h>

#include "platform/registry.h"

namespace lh::platform {

std::string classes_root_default_value(const std::string& key, std::size_t buffer_size) {
  std::string buffer(buffer_size, ' ');
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS) {
    DWORD size = static_cast<DWORD>(buffer_size);
    LONG rc = RegQueryValueExA(handle, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size);
    // A value longer than the buffer leaves its contents undefined: treat it
    // as no value rather than use a cut or garbled path.
    if (rc != ERROR_SUCCESS) buffer.assign(buffer_size, ' ');
    RegCloseKey(handle);
  }
  std::size_t nul = buffer.find('\0');
  if (nul != std::string::npos) buffer.resize(nul);
  return buffer;
}

}  // namespace lh::platform
