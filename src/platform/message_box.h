// Message boxes: the system's own (platform::message_box), and the program's
// show_message_box above it. Every box goes through show_message_box so
// that tests (and the headless command line) can take the text instead of
// a window: in the Windows program it is a real modal box with one OK
// button, elsewhere the text goes to standard error.
#pragma once

#include <functional>
#include <string>

namespace lh::platform {

enum class BoxIcon { kError, kInformation };

// A modal box with one OK button (Windows); the caption and text on standard
// error elsewhere. Returns when it is closed.
void message_box(const std::string& caption, const std::string& text, BoxIcon icon);

}  // namespace lh::platform

namespace lh {

enum class MessageIcon { kError, kInformation };

// Returns when the user has closed the box.
void show_message_box(const std::string& caption, const std::string& text, MessageIcon icon);

using MessageBoxHook =
    std::function<void(const std::string& caption, const std::string& text, MessageIcon icon)>;

// Replaces the box; an empty hook brings the real one back.
void set_message_box_hook(MessageBoxHook hook);

}  // namespace lh
