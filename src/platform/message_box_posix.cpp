// No message box here: the caption and text go to standard error.
#include <cstdio>

#include "platform/message_box.h"

namespace lh::platform {

void message_box(const std::string& caption, const std::string& text, BoxIcon) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  std::fflush(stderr);
}

}  // namespace lh::platform

namespace lh::platform {

bool question_box(const std::string& caption, const std::string& text, void*) {
  std::fprintf(stderr, "%s: %s (answered no: nobody to ask)\n", caption.c_str(), text.c_str());
  std::fflush(stderr);
  return false;
}

}  // namespace lh::platform
