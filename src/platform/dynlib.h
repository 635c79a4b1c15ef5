// Loading a shared library and finding an export by name.
#pragma once

#include <string>

namespace lh::platform {

using LibraryHandle = void*;

// nullptr when the library cannot be loaded.
LibraryHandle load_library(const std::string& path);
// nullptr when the library has no export of that name.
void* find_export(LibraryHandle library, const char* name);
void unload_library(LibraryHandle library);

}  // namespace lh::platform
