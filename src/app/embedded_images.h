// The images the program carries inside itself (see CMakeLists.txt).
#pragma once

#include <cstddef>
#include <string_view>

#ifdef LH_HAVE_HIGHLIGHTER_IMAGE
extern const unsigned char kHighlighterImage[];
extern const std::size_t kHighlighterImage_size;
#endif
#ifdef LH_HAVE_SEVENZIP_IMAGE
extern const unsigned char kSevenZipImage[];
extern const std::size_t kSevenZipImage_size;
#endif
#ifdef LH_HAVE_INSTALLER_IMAGE
extern const unsigned char kInstallerImage[];
extern const std::size_t kInstallerImage_size;
#endif

namespace lh {

inline std::string_view highlighter_image() {
#ifdef LH_HAVE_HIGHLIGHTER_IMAGE
  return {reinterpret_cast<const char*>(kHighlighterImage), kHighlighterImage_size};
#else
  return {};
#endif
}

inline std::string_view sevenzip_image() {
#ifdef LH_HAVE_SEVENZIP_IMAGE
  return {reinterpret_cast<const char*>(kSevenZipImage), kSevenZipImage_size};
#else
  return {};
#endif
}

inline std::string_view installer_image() {
#ifdef LH_HAVE_INSTALLER_IMAGE
  return {reinterpret_cast<const char*>(kInstallerImage), kInstallerImage_size};
#else
  return {};
#endif
}

}  // namespace lh
