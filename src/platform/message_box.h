// Message boxes: the system's own (platform::message_box and
// platform::question_box), the program's show_message_box above them, and
// the Reporter that puts each message into a box of its own.
#pragma once

#include <string>

#include "base/reporter.h"

namespace lh::platform {

enum class BoxIcon { kError, kInformation };

// A modal box with one OK button (Windows); the caption and text on standard
// error elsewhere. Returns when it is closed.
void message_box(const std::string& caption, const std::string& text, BoxIcon icon);

// A modal box with Yes and No (Windows), owned by `owner` (a window handle,
// null for none); true for Yes. Elsewhere the question goes to standard
// error and the answer is No.
bool question_box(const std::string& caption, const std::string& text, void* owner = nullptr);

}  // namespace lh::platform

namespace lh {

// The real box; returns when the user has closed it.
void show_message_box(const std::string& caption, const std::string& text, MessageIcon icon);

// One modal box per message or question, owned by no window: for start-up,
// before the window exists.
class MessageBoxReporter final : public Reporter {
 public:
  void tell(const std::string& caption, const std::string& text, MessageIcon icon) override {
    show_message_box(caption, text, icon);
  }
  bool ask(const std::string& caption, const std::string& text) override {
    return platform::question_box(caption, text);
  }
};

}  // namespace lh
