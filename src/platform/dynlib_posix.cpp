#include "platform/dynlib.h"

#include <dlfcn.h>

namespace lh::platform {

LibraryHandle load_library(const std::string& path) { return ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

void* find_export(LibraryHandle library, const char* name) { return library ? ::dlsym(library, name) : nullptr; }

void unload_library(LibraryHandle library) {
  if (library) ::dlclose(library);
}

}  // namespace lh::platform
