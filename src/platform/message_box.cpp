#include "platform/message_box.h"

namespace lh {

namespace {

MessageBoxHook& hook() {
  static MessageBoxHook h;
  return h;
}

}  // namespace

void show_message_box(const std::string& caption, const std::string& text, MessageIcon icon) {
  if (hook()) {
    hook()(caption, text, icon);
    return;
  }
  platform::message_box(caption, text,
                        icon == MessageIcon::kError ? platform::BoxIcon::kError
                                                    : platform::BoxIcon::kInformation);
}

void set_message_box_hook(MessageBoxHook h) { hook() = std::move(h); }

}  // namespace lh
