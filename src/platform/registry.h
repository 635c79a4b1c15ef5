// The registry's file associations (HKEY_CLASSES_ROOT); systems without a
// registry answer as if every key were missing.
#pragma once

#include <cstddef>
#include <string>

namespace lh::platform {

// The default (unnamed) value of a key under HKEY_CLASSES_ROOT, read into a
// buffer of `buffer_size` bytes that holds spaces beforehand. Returns the
// buffer up to its first NUL byte (all of it when there is none): a missing
// key or value, or a value too long for the buffer, leaves only spaces. On
// systems without a registry the result is buffer_size spaces.
std::string classes_root_default_value(const std::string& key, std::size_t buffer_size);

}  // namespace lh::platform
