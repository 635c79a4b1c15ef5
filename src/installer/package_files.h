// The installer's work on files: writing its own resources out, and the
// Install, Uninstall and Extract actions. Plain Win32 and fixed buffers, so
// that the program stays small and needs no C++ runtime.
#pragma once

#include <windows.h>

namespace installer {

constexpr int kPathMax = 1024;
constexpr int kReportMax = 8192;

// Text built by appending; what does not fit is cut off.
struct Text {
  char s[kReportMax];
  int len;
};
void text_clear(Text& t);
void text_add(Text& t, const char* part);

// Bounded string helpers over buffers of kPathMax bytes.
void path_set(char* dst, const char* src);
void path_add(char* dst, const char* src);

// Writes the RT_RCDATA resource of that name from the program's own image to
// `path`, replacing any file there. 1 when the file was written and now has
// exactly the resource's size, else 0 (also when there is no such resource).
int extract_resource(const char* name, const char* path);

// Looks up the program's own RT_RCDATA resource of that name. Broken: the
// image's directory names it, but its bytes do not lie inside the image.
enum Lookup { kResourceMissing, kResourceFound, kResourceBroken };
Lookup find_own_resource(const char* name, const char** data, DWORD* size);

// Size of the program's own RT_RCDATA resource of that name; 0 when missing
// or broken.
DWORD resource_size(const char* name);

// The whole resource (nullptr when missing or broken) and its size.
const char* resource_bytes(const char* name, DWORD* size);

// Checks, before anything is written, that the package is whole: every
// package resource lies inside the program, and a sealed package matches
// its seal ("SUMS"). False with the reasons, one line each, in `problem`.
// A package without a seal is taken as it is.
bool check_own_package(Text& problem);

// The outcome of an action: which files could not be written or deleted,
// and whether the action was undone because of them.
struct Outcome {
  Text failures;
  int failed;
  bool rolled_back;  // nothing of the action stays: every file is as it was
};

// The three actions, each all or nothing: when one file cannot be written
// (or, for Uninstall, deleted), every file the action touched is put back as
// it was and `rolled_back` is set. `purebasic` and `folder` end in "\";
// `name` is the library name. Files whose resource is missing are left
// alone.
void install(const char* purebasic, const char* name, Outcome& out);
void uninstall(const char* purebasic, const char* name, Outcome& out);
void extract(const char* folder, const char* name, Outcome& out);

}  // namespace installer
