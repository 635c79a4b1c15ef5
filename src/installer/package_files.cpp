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

static bool is_read_only(const char* path) {
  DWORD a = GetFileAttributesA(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) && (a & FILE_ATTRIBUTE_READONLY);
}

// The system's words for an error code, without the closing line end.
static void add_error_text(Text& t, DWORD code) {
  char words[512];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, words,
                           sizeof words, nullptr);
  while (n > 0 && (words[n - 1] == '\r' || words[n - 1] == '\n' || words[n - 1] == ' ' || words[n - 1] == '.')) --n;
  words[n] = 0;
  if (n > 0) {
    text_add(t, words);
    return;
  }
  char number[16];
  wsprintfA(number, "error %lu", code);
  text_add(t, number);
}

static void note_failure(Outcome& out, const char* what, const char* path, DWORD code, const char* reason = nullptr) {
  ++out.failed;
  text_add(out.failures, what);
  text_add(out.failures, path);
  text_add(out.failures, ": ");
  if (reason)
    text_add(out.failures, reason);
  else
    add_error_text(out.failures, code);
  text_add(out.failures, "\r\n");
}

static void begin(Outcome& out) {
  text_clear(out.failures);
  out.failed = 0;
  out.rolled_back = false;
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

// All or nothing. Every action is a list of changes to files: a new file
// written first under a temporary name beside its place ("...lhnew"), an
// old file moved aside ("...lhold") before it is replaced or removed. Only
// when every new file is written and every old one moved aside are the new
// ones put in place and the old ones deleted; when any step fails, what was
// done is undone in reverse, so the installation is as it was before.
struct Change {
  char path[kPathMax];   // the file's place
  char fresh[kPathMax];  // the new file under its temporary name; empty: none (a removal)
  char old[kPathMax];    // where the old file was moved aside
  bool written;          // `fresh` was written
  bool moved_aside;      // the old file is at `old`
  bool placed;           // `fresh` is now at `path`
};

constexpr int kMaxChanges = 8;
constexpr int kMaxFolders = 2;

struct Transaction {
  Change changes[kMaxChanges];
  int count;
  char folders[kMaxFolders][kPathMax];  // folders this action created
  int folder_count;
};

static Transaction g_transaction;

static Transaction& start_transaction() {
  g_transaction.count = 0;
  g_transaction.folder_count = 0;
  return g_transaction;
}

static Change& add_change(Transaction& t, const char* path, bool with_new_file) {
  Change& c = t.changes[t.count++];
  path_set(c.path, path);
  c.fresh[0] = 0;
  if (with_new_file) {
    path_set(c.fresh, path);
    path_add(c.fresh, ".lhnew");
  }
  path_set(c.old, path);
  path_add(c.old, ".lhold");
  c.written = c.moved_aside = c.placed = false;
  return c;
}

// Creates a folder and remembers it when it was not there, so that a
// rollback removes it again.
static void create_folder(Transaction& t, const char* path) {
  if (CreateDirectoryA(path, nullptr) && t.folder_count < kMaxFolders) path_set(t.folders[t.folder_count++], path);
}

static void roll_back(Transaction& t, Outcome& out) {
  out.rolled_back = true;
  for (int i = t.count - 1; i >= 0; --i) {
    Change& c = t.changes[i];
    if (c.placed && !DeleteFileA(c.path)) note_failure(out, "Could not remove the new ", c.path, GetLastError());
    if (c.written && !c.placed) DeleteFileA(c.fresh);
    if (c.moved_aside && !MoveFileExA(c.old, c.path, MOVEFILE_REPLACE_EXISTING))
      note_failure(out, "Could not put back ", c.path, GetLastError());
  }
  for (int i = t.folder_count - 1; i >= 0; --i) RemoveDirectoryA(t.folders[i]);
}

// Moves every existing old file aside; false (with the failure noted) when
// one cannot be, as when another program holds it open or it is read-only.
static bool move_old_files_aside(Transaction& t, Outcome& out, const char* failure) {
  for (int i = 0; i < t.count; ++i) {
    Change& c = t.changes[i];
    if (!exists(c.path)) continue;
    if (is_read_only(c.path)) {
      note_failure(out, failure, c.path, 0, "the file is read-only");
      return false;
    }
    DeleteFileA(c.old);  // left by an action that was itself ended half-way
    if (!MoveFileExA(c.path, c.old, 0)) {
      note_failure(out, failure, c.path, GetLastError());
      return false;
    }
    c.moved_aside = true;
  }
  return true;
}

// Puts the new files in place, then deletes the old ones.
static bool commit(Transaction& t, Outcome& out) {
  for (int i = 0; i < t.count; ++i) {
    Change& c = t.changes[i];
    if (!c.written) continue;
    if (!MoveFileExA(c.fresh, c.path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      note_failure(out, "Could not write ", c.path, GetLastError());
      return false;
    }
    c.placed = true;
  }
  for (int i = 0; i < t.count; ++i) {
    Change& c = t.changes[i];
    if (c.moved_aside && !DeleteFileA(c.old)) note_failure(out, "Could not delete the old ", c.old, GetLastError());
  }
  return true;
}

// Writes the resource under the change's temporary name.
static bool write_new_file(Change& c, const char* resource, Outcome& out) {
  DeleteFileA(c.fresh);  // left by an action that was itself ended half-way
  SetLastError(0);
  if (extract_resource(resource, c.fresh)) {
    c.written = true;
    return true;
  }
  DWORD code = GetLastError();
  DeleteFileA(c.fresh);
  if (code == 0) code = ERROR_WRITE_FAULT;
  note_failure(out, "Could not write ", c.path, code);
  return false;
}

// Install and Extract: each present resource to its place; with
// `installation` also the help viewer's index of the manual removed (it
// would no longer match a new one).
static void put_files(const char* base, bool installation, const char* n, Outcome& out) {
  begin(out);
  Transaction& t = start_transaction();
  char path[kPathMax];
  if (installation) {
    form(path, base, "Library_Source", "", "");
    create_folder(t, path);
    form(path, base, "help", "", "");
    create_folder(t, path);
  }
  for (const PackageFile& f : kFiles) {
    if (resource_size(f.resource) == 0) continue;
    form(path, base, installation ? f.folder : "", n, f.ending);
    if (!write_new_file(add_change(t, path, true), f.resource, out)) return roll_back(t, out);
  }
  if (installation) {
    form(path, base, "help\\", n, ".chw");
    add_change(t, path, false);
  }
  if (!move_old_files_aside(t, out, "Could not write ") || !commit(t, out)) roll_back(t, out);
}

void install(const char* p, const char* n, Outcome& out) { put_files(p, true, n, out); }

void extract(const char* d, const char* n, Outcome& out) { put_files(d, false, n, out); }

void uninstall(const char* p, const char* n, Outcome& out) {
  begin(out);
  Transaction& t = start_transaction();
  char path[kPathMax];
  for (const PackageFile& f : kFiles) {
    form(path, p, f.folder, n, f.ending);
    add_change(t, path, false);
    if (lstrcmpA(f.resource, "CHM") == 0) {
      form(path, p, "help\\", n, ".chw");
      add_change(t, path, false);
    }
  }
  if (!move_old_files_aside(t, out, "Could not delete ") || !commit(t, out)) roll_back(t, out);
}

}  // namespace installer
