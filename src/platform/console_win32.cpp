#include "platform/console.h"

#include <windows.h>

#include <cstdio>

namespace lh::platform {
namespace {

bool valid(DWORD which) {
  HANDLE h = GetStdHandle(which);
  return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void attach_parent_console() {
  const bool out_ok = valid(STD_OUTPUT_HANDLE);
  const bool err_ok = valid(STD_ERROR_HANDLE);
  if (out_ok && err_ok) return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  if (!out_ok && std::freopen("CONOUT$", "w", stdout)) std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (!err_ok && std::freopen("CONOUT$", "w", stderr)) std::setvbuf(stderr, nullptr, _IONBF, 0);
}

}  // namespace lh::platform
