// Facts about the running system and the user's session: folders, the
// program's own file, the registry, environment variables and message boxes.
#pragma once

#include <cstddef>
#include <string>

namespace lh::platform {

// The user's temporary folder with its trailing separator; on Windows the
// long form of what GetTempPath reports, elsewhere $TMPDIR or /tmp.
std::string temp_folder();

// Full path of the running program's own file.
std::string program_path();

// The current folder with its trailing separator.
std::string current_folder();

// `path` as a full path: a relative one is taken from the current folder
// (GetFullPathNameA on Windows; elsewhere the current folder prepended).
std::string full_path(const std::string& path);

// The default (unnamed) value of a key under HKEY_CLASSES_ROOT, read into a
// buffer of `buffer_size` bytes that holds spaces beforehand. Returns the
// buffer up to its first NUL byte (all of it when there is none): a missing
// key or value, or a value too long for the buffer, leaves only spaces. On
// systems without a registry the result is buffer_size spaces.
std::string classes_root_default_value(const std::string& key, std::size_t buffer_size);

// An environment variable's value; empty when unset.
std::string environment_variable(const std::string& name);

// Finds `name` on the program search path; empty when it is not there.
std::string find_on_search_path(const std::string& name);

// Marks a file as a program that may be started (POSIX execute bits; on
// Windows every file with an .exe name is one already).
bool make_executable(const std::string& path);

enum class BoxIcon { kError, kInformation };

// A modal box with one OK button (Windows); the caption and text on standard
// error elsewhere. Returns when it is closed.
void message_box(const std::string& caption, const std::string& text, BoxIcon icon);

}  // namespace lh::platform
