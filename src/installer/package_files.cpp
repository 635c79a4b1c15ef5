#include "installer/package_files.h"

#include "package/package_check.h"
#include "purebasic/folder_names.h"

namespace installer {

void text_clear(Text& t) {
  t.len = 0;
  t.s[0] = 0;
}

void text_add(Text& t, const char* part) {
  while (*part && t.len < kReportMax - 1) t.s[t.len++] = *part++;
  t.s[t.len] = 0;
}

void path_set(char* dst, const char* src) { lstrcpynA(dst, src, kPathMax); }

void path_add(char* dst, const char* src) {
  int used = lstrlenA(dst);
  if (used < kPathMax - 1) lstrcpynA(dst + used, src, kPathMax - used);
}

// The bytes of a resource are read straight from the loaded image, where its
// directory entry says they are: an entry of a damaged image may point past
// the image, so the span is checked against the image's sections first.
Lookup find_own_resource(const char* name, const char** data, DWORD* size) {
  *data = nullptr;
  *size = 0;
  HRSRC found = FindResourceA(nullptr, name, MAKEINTRESOURCEA(10));
  if (!found) return kResourceMissing;
  HGLOBAL loaded = LoadResource(nullptr, found);
  const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  DWORD length = SizeofResource(nullptr, found);
  const unsigned char* image = reinterpret_cast<const unsigned char*>(GetModuleHandleA(nullptr));
  const IMAGE_NT_HEADERS* headers =
      reinterpret_cast<const IMAGE_NT_HEADERS*>(image + reinterpret_cast<const IMAGE_DOS_HEADER*>(image)->e_lfanew);
  if (!bytes || !lh::package_check::span_in_image(image, headers->OptionalHeader.SizeOfImage,
                                                  reinterpret_cast<const unsigned char*>(bytes), length))
    return kResourceBroken;
  *data = bytes;
  *size = length;
  return kResourceFound;
}

const char* resource_bytes(const char* name, DWORD* size) {
  const char* data;
  find_own_resource(name, &data, size);
  return data;
}

DWORD resource_size(const char* name) {
  DWORD size;
  resource_bytes(name, &size);
  return size;
}

static bool find_for_check(void*, const char* name, const unsigned char** data, uint32_t* size) {
  const char* bytes;
  DWORD length;
  if (find_own_resource(name, &bytes, &length) != kResourceFound) return false;
  *data = reinterpret_cast<const unsigned char*>(bytes);
  *size = length;
  return true;
}

bool check_own_package(Text& problem) {
  text_clear(problem);
  bool whole = true;
  const char* data;
  DWORD size;
  for (const char* name : lh::package_check::kPackageResourceNames) {
    if (find_own_resource(name, &data, &size) != kResourceBroken) continue;
    whole = false;
    text_add(problem, name);
    text_add(problem, ": lies outside the program\r\n");
  }
  if (find_own_resource(lh::package_check::kSumsResource, &data, &size) == kResourceBroken) {
    text_add(problem, "The list of checksums lies outside the program.\r\n");
    return false;
  }
  if (!whole || !data) return whole;  // an unsealed package is taken as it is
  char reasons[kReportMax];
  whole = lh::package_check::check_package(data, size, find_for_check, nullptr, reasons, sizeof reasons);
  text_add(problem, reasons);
  return whole;
}

int extract_resource(const char* name, const char* path) {
  DWORD size = 0;
  const char* bytes = resource_bytes(name, &size);
  if (!bytes) return 0;
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  // A file that could not be replaced counts as a failure even when an older
  // file of the same size is still there.
  if (file == INVALID_HANDLE_VALUE) return 0;
  DWORD written = 0;
  BOOL ok = size == 0 || WriteFile(file, bytes, size, &written, nullptr);
  if (!CloseHandle(file)) ok = FALSE;
  if (!ok || written != size) return 0;
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &info)) return 0;
  return info.nFileSizeHigh == 0 && info.nFileSizeLow == size ? 1 : 0;
}

static bool exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

static void note_failure(Outcome& out, const char* what, const char* path) {
  ++out.failed;
  text_add(out.failures, what);
  text_add(out.failures, path);
  text_add(out.failures, "\r\n");
}

// Writes a resource when the package holds it (and it is not empty).
static void write_if_present(const char* name, const char* path, Outcome& out) {
  if (resource_size(name) == 0) return;
  if (!extract_resource(name, path)) note_failure(out, "Could not write ", path);
}

// Deletes a file; one that is not there counts as deleted.
static void delete_file(const char* path, Outcome& out) {
  if (!DeleteFileA(path) && exists(path)) note_failure(out, "Could not delete ", path);
}

static void begin(Outcome& out) {
  text_clear(out.failures);
  out.failed = 0;
}

// P + folder + name + ending, in `dst`.
static void form(char* dst, const char* base, const char* folder, const char* name, const char* ending) {
  path_set(dst, base);
  path_add(dst, folder);
  path_add(dst, name);
  path_add(dst, ending);
}

// The files a package carries, in the order every action handles them: the
// resource, the folder under the PureBasic installation that Install uses,
// and the ending after the library name.
struct PackageFile {
  const char* resource;
  const char* folder;
  const char* ending;
};

static const PackageFile kFiles[] = {
    {"SOURCE", LH_LIBRARY_SOURCE_FOLDER, ".pb"}, {"SOURCE-TWEAKED", LH_LIBRARY_SOURCE_FOLDER, "-Tweaked.pb"},
    {"LIBRARY", LH_USER_LIBRARIES_FOLDER, ""},   {"CHM", LH_HELP_FOLDER, ".chm"},
    {"RESIDENT", LH_RESIDENTS_FOLDER, ".res"},
};

static bool is_manual(const PackageFile& f) { return lstrcmpA(f.resource, "CHM") == 0; }

// The help viewer's index of the manual: it would no longer match a new one.
static void delete_manual_index(char* path, const char* p, const char* n, Outcome& out) {
  form(path, p, "help\\", n, ".chw");
  delete_file(path, out);
}

void install(const char* p, const char* n, Outcome& out) {
  begin(out);
  char path[kPathMax];
  form(path, p, "Library_Source", "", "");
  CreateDirectoryA(path, nullptr);
  for (const PackageFile& f : kFiles) {
    if (is_manual(f)) {
      form(path, p, "help", "", "");
      CreateDirectoryA(path, nullptr);
    }
    form(path, p, f.folder, n, f.ending);
    write_if_present(f.resource, path, out);
    if (is_manual(f)) delete_manual_index(path, p, n, out);
  }
}

void uninstall(const char* p, const char* n, Outcome& out) {
  begin(out);
  char path[kPathMax];
  for (const PackageFile& f : kFiles) {
    form(path, p, f.folder, n, f.ending);
    delete_file(path, out);
    if (is_manual(f)) delete_manual_index(path, p, n, out);
  }
}

void extract(const char* d, const char* n, Outcome& out) {
  begin(out);
  char path[kPathMax];
  for (const PackageFile& f : kFiles) {
    form(path, d, "", n, f.ending);
    write_if_present(f.resource, path, out);
  }
}

}  // namespace installer
