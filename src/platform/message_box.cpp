#include "platform/message_box.h"

namespace lh {

void show_message_box(const std::string& caption, const std::string& text, MessageIcon icon) {
  platform::message_box(caption, text,
                        icon == MessageIcon::kError ? platform::BoxIcon::kError : platform::BoxIcon::kInformation);
}

}  // namespace lh
