// Paths of the build tree as the test program sees them: unchanged on Linux,
// on the Z: drive under Wine.
#pragma once

#include <string>

namespace lh::test {

inline std::string native(std::string unix_path) {
#ifdef _WIN32
  for (char& c : unix_path)
    if (c == '/') c = '\\';
  return "Z:" + unix_path;
#else
  return unix_path;
#endif
}

}  // namespace lh::test
