#include "platform/dynlib.h"

#include <windows.h>

namespace lh::platform {

LibraryHandle load_library(const std::string& path) {
  return reinterpret_cast<LibraryHandle>(LoadLibraryA(path.c_str()));
}

void* find_export(LibraryHandle library, const char* name) {
  if (!library) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void unload_library(LibraryHandle library) {
  if (library) FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace lh::platform
