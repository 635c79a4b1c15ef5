// The system's message box: a modal box with one OK button.
#include <windows.h>

#include "platform/message_box.h"

namespace lh::platform {

void message_box(const std::string& caption, const std::string& text, BoxIcon icon) {
  UINT type = MB_OK | (icon == BoxIcon::kError ? MB_ICONERROR : MB_ICONINFORMATION);
  MessageBoxA(nullptr, text.c_str(), caption.c_str(), type);
}

}  // namespace lh::platform

namespace lh::platform {

bool question_box(const std::string& caption, const std::string& text, void* owner) {
  return MessageBoxA(static_cast<HWND>(owner), text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

}  // namespace lh::platform
