#include <cstdio>

#include "shell/app/embedded_images.h"

int main(int argc, char** argv) {
  std::printf("LibHammer 6 (%zu/%zu/%zu bytes embedded)\n", lh::highlighter_image().size(),
              lh::sevenzip_image().size(), lh::installer_image().size());
  return 0;
}
