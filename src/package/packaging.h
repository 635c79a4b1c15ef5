// The end of every run: the 7-Zip archive and the installer executable
// beside the library source, and the copies of the sources in the PureBasic
// installation.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "package/package_check.h"
#include "pe/pe_resources.h"
#include "pipeline/app_state.h"

namespace lh {

class Cancellation;
class Reporter;
class ToolRunner;
namespace platform {
class FileSystem;
}

// The names of the six package resources, in the order they are added.
// The installer program looks them up by these names (without regard to
// letter case).
inline constexpr const auto& kPackageResources = package_check::kPackageResourceNames;

struct PackagingOptions {
  // The disk, and the archiver's runs; null: the real disk and the run
  // facility.
  platform::FileSystem* files = nullptr;
  ToolRunner* tools = nullptr;
  // Is told every problem as it is found. Null: recorded in the outcome
  // only.
  Reporter* reporter = nullptr;
  // Once requested, the archiver run going on is ended, the archive begun
  // is removed, and no further stage begins: no installer, no source copies.
  const Cancellation* cancel = nullptr;
  // Headless: what an archiver run that failed printed is told with the
  // failure. Otherwise only the failure is told.
  bool capture_runs = false;
};

// The stages, in their order.
enum class PackagingStage { kArchive, kInstaller, kSourceCopies };

// What one packaging run did: the stages it began and every problem it
// told. A run whose stages stop short of kSourceCopies was stopped on
// request.
struct PackagingOutcome {
  std::vector<PackagingStage> stages;
  std::vector<std::string> problems;
};

// Runs the three stages: the archive and the installer executable when a
// build gave the library a name, and the source copies always.
// `processor_tag` ends the packages' names (processor_tag_of the compiler's
// version line the build took). `sevenzip_image` is the 7-Zip console
// archiver the program carries, `installer_image` the installer program; an
// empty archiver image is not written, an empty installer image gives no
// installer.
PackagingOutcome make_packages(const AppState& state, const std::string& processor_tag, std::string_view sevenzip_image,
                               std::string_view installer_image, const PackagingOptions& options = {});

// Stage A: the archive of the library source, manual, user library,
// resident file, tweaked source and include folder. True when it was
// written; otherwise no archive (not even an earlier one) is left, and the
// reason is in `outcome` (unless the run was stopped, which its end tells).
bool make_archive(const AppState& state, const std::string& processor_tag, std::string_view sevenzip_image,
                  const PackagingOptions& options, PackagingOutcome& outcome);

// Stage B: the installer executable with the package resources, sealed
// by the "SUMS" resource so that the installer can tell a damaged copy.
// True when it was written; otherwise none is left, and the reason is in
// `outcome`.
bool make_installer(const AppState& state, const std::string& processor_tag, std::string_view installer_image,
                    const PackagingOptions& options, PackagingOutcome& outcome);

// Stage C: the library source and the tweaked source copied into the
// PureBasic folder's "Library_Source" folder. True when every copy whose
// source is there was made; each one that was not is in `outcome`.
bool copy_sources(const AppState& state, const PackagingOptions& options, PackagingOutcome& outcome);

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
// is never held in memory. False, with `error` saying why and no file at
// `destination`, when a part cannot be read, the whole would not fit an
// executable, or the file cannot be written.
bool write_installer(platform::FileSystem& files, const std::string& destination, std::string_view installer_image,
                     const std::vector<PackagePart>& parts, std::string* error = nullptr);

// The seal's text (package_check.h) for the package resources among
// `resources`; empty when there are none.
std::string package_sums(const std::vector<pe::Resource>& resources);

// The installer's check (package_check.h) on resources read from an
// executable: true when there is no seal or the package matches it;
// `problem`, when given, receives the reasons otherwise.
bool package_is_whole(const std::vector<pe::Resource>& resources, std::string* problem = nullptr);

// Adds the seal of the package resources the executable carries now.
// False, with `error` saying why, when the executable cannot be read, is
// not one, or cannot be written.
bool seal_installer(platform::FileSystem& files, const std::string& executable, std::string* error = nullptr);

// Adds the bytes of `file` to `executable` as an RT_RCDATA resource named
// `name`, language 0, with the system's resource update. False, with
// `error` saying why, when the file is missing, a folder, empty or
// unreadable, or the update failed. `replace_all` drops the executable's
// other resources (packaging always keeps them).
bool add_package_resource(platform::FileSystem& files, const std::string& executable, const std::string& file,
                          const std::string& name, bool replace_all, std::string* error = nullptr);

// Folder part of the library source + library name + " (" + version +
// ") " + processor tag: the packages' path without ".7z" / ".exe".
std::string package_base(const AppState& state, const std::string& processor_tag);

// The archiver's file name in the work folder: "7za.exe" on Windows, "7za"
// elsewhere.
std::string archiver_name();

}  // namespace lh
