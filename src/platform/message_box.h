// Message boxes: the system's own (platform::message_box), the program's
// show_message_box above it, and the Reporter through which every part of
// the program tells the user something. The reporter is handed in by whoever
// runs the part: message boxes in the window, standard error headless, a
// recording one in tests.
#pragma once

#include <string>

namespace lh::platform {

enum class BoxIcon { kError, kInformation };

// A modal box with one OK button (Windows); the caption and text on standard
// error elsewhere. Returns when it is closed.
void message_box(const std::string& caption, const std::string& text, BoxIcon icon);

}  // namespace lh::platform

namespace lh {

enum class MessageIcon { kError, kInformation };

// The real box; returns when the user has closed it.
void show_message_box(const std::string& caption, const std::string& text, MessageIcon icon);

class Reporter {
 public:
  virtual ~Reporter() = default;
  // Returns once the user has been told (a box has been closed).
  virtual void tell(const std::string& caption, const std::string& text, MessageIcon icon) = 0;
};

// The window program's reporter: one modal box per message.
class MessageBoxReporter final : public Reporter {
 public:
  void tell(const std::string& caption, const std::string& text, MessageIcon icon) override {
    show_message_box(caption, text, icon);
  }
};

}  // namespace lh
