// The end of every run: the 7-Zip archive and the installer executable
// beside the library source, and the copies of the sources in the PureBasic
// installation.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "package/package_check.h"
#include "pe/pe_resources.h"
#include "pipeline/app_state.h"
#include "platform/message_box.h"

namespace lh {

class Cancellation;

// The names of the six package resources, in the order they are added.
// The installer program looks them up by these names (without regard to
// letter case).
inline constexpr const auto& kPackageResources = package_check::kPackageResourceNames;

// How packaging tells the user: through `reporter` (null: nobody) a
// compiler that does not answer its version query and, with `capture_runs`
// (headless), what an archiver run that failed printed. Without it the
// archiver runs hidden, its output discarded.
struct PackagingReport {
  Reporter* reporter = nullptr;
  bool capture_runs = false;
  // Once requested, the archiver run going on is ended, the archive begun
  // is removed, and nothing more is written: no installer, no source copies.
  const Cancellation* cancel = nullptr;
};

// Runs the three stages: the archive and the installer executable when a
// build gave the library a name, and the source copies always.
// `sevenzip_image` is the 7-Zip console archiver the program carries,
// `installer_image` the installer program; an empty image is not written.
// False when report.cancel stopped it before its end.
bool make_packages(const AppState& state, std::string_view sevenzip_image, std::string_view installer_image,
                   const PackagingReport& report = {});

// Stage A: the archive of the library source, manual, user library,
// resident file, tweaked source and include folder.
void make_archive(const AppState& state, std::string_view sevenzip_image, const PackagingReport& report = {});

// Stage B: the installer executable with the package resources, sealed
// by the "SUMS" resource so that the installer can tell a damaged copy.
void make_installer(const AppState& state, std::string_view installer_image, const PackagingReport& report = {});

// One package resource for write_installer: the bytes of `file`, or
// `bytes` when no file is named. A file that is missing, a folder, empty or
// unreadable (or empty bytes) gives no resource.
struct PackagePart {
  std::string name;  // one of kPackageResources
  std::string file;
  std::string bytes;
};

// Stage B's one write: `installer_image` with `parts` as RT_RCDATA
// resources and the "SUMS" seal over them, written to `destination`. The
// parts' files are read in blocks as they pass into the executable, and
// their checksums are computed on the way, so that a package of any size
// is never held in memory. False, with `problem` saying why and no file at
// `destination`, when a part cannot be read, the whole would not fit an
// executable, or the file cannot be written.
bool write_installer(const std::string& destination, std::string_view installer_image,
                     const std::vector<PackagePart>& parts, std::string* problem = nullptr);

// The seal's text (package_check.h) for the package resources among
// `resources`; empty when there are none.
std::string package_sums(const std::vector<pe::Resource>& resources);

// The installer's check (package_check.h) on resources read from an
// executable: true when there is no seal or the package matches it;
// `problem`, when given, receives the reasons otherwise.
bool package_is_whole(const std::vector<pe::Resource>& resources, std::string* problem = nullptr);

// Adds the seal of the package resources the executable carries now.
// False when the executable cannot be read or updated.
bool seal_installer(const std::string& executable);

// Stage C: the library source and the tweaked source copied into the
// PureBasic folder's "Library_Source" folder.
void copy_sources(const AppState& state, const PackagingReport& report = {});

// Adds the bytes of `file` to `executable` as an RT_RCDATA resource named
// `name`, language 0. 1 when the resource was written; 0 when the file is
// missing, a folder or empty, or the update failed. `replace_all` drops the
// executable's other resources (packaging always keeps them).
int add_package_resource(const std::string& executable, const std::string& file, const std::string& name,
                         bool replace_all);

// Folder part of the library source + library name + " (" + version +
// ") " + processor tag: the packages' path without ".7z" / ".exe".
std::string package_base(const AppState& state, const std::string& processor_tag);

// The path as one argument between double quotes, such that the program
// receives it unchanged: trailing backslashes are doubled, since a
// backslash right before the closing quote would escape it.
std::string quoted_argument(const std::string& path);

// The archiver's file name in the work folder: "7za.exe" on Windows, "7za"
// elsewhere.
std::string archiver_name();

}  // namespace lh
