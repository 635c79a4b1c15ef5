#include "package/packaging.h"

#include <cstdint>
#include <vector>

#ifndef _WIN32
#include <filesystem>
#endif

#include "base/cancellation.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/resources.h"
#include "platform/run_program.h"
#include "platform/whole_file.h"
#include "purebasic/folder_layout.h"
#include "purebasic/tool_runner.h"
#include "purebasic/tools.h"

namespace lh {

namespace {

std::string user_library_path(const AppState& s) {
  return purebasic::user_library_path(s.purebasic_folder, s.library_name);
}

std::string resident_path(const AppState& s) {
  return purebasic::resident_file_path(s.purebasic_folder, s.library_name);
}

std::string tweaked_copy_path(const AppState& s) { return s.work_folder + s.library_name + "-tweaked.pb"; }

// The npm package ships the Linux archiver without its execute bit.
void make_executable(const std::string& path) {
#ifndef _WIN32
  std::error_code ignored;
  std::filesystem::permissions(
      path,
      std::filesystem::perms::owner_exec | std::filesystem::perms::group_exec | std::filesystem::perms::others_exec,
      std::filesystem::perm_options::add, ignored);
#else
  (void)path;
#endif
}

// Adds bytes held in memory as a resource; empty data gives no resource.
int add_resource_bytes(const std::string& executable, std::string_view data, const std::string& name,
                       bool replace_all) {
  if (data.empty()) return 0;
  return platform::update_resource(executable, name, data, replace_all) ? 1 : 0;
}

void tell(const PackagingReport& report, const std::string& text) {
  if (report.reporter) report.reporter->tell("LibHammer", text, MessageIcon::kError);
}

// The package names' processor tag, from the compiler's version query.
std::string package_processor_tag(const AppState& state, const PackagingReport& report) {
  ProcessVersionAsker tools(report.cancel);
  return processor_tag(tools, state.purebasic_folder, [&](const std::string& text) { tell(report, text); });
}

}  // namespace

std::string archiver_name() { return platform::separator() == '\\' ? "7za.exe" : "7za"; }

std::string package_base(const AppState& state, const std::string& processor_tag) {
  return platform::folder_part(state.library_source) + state.library_name + " (" + state.library_version + ") " +
         processor_tag;
}

std::string quoted_argument(const std::string& path) {
  size_t trailing = 0;
  while (trailing < path.size() && path[path.size() - 1 - trailing] == '\\') ++trailing;
  return "\"" + path + std::string(trailing, '\\') + "\"";
}

int add_package_resource(const std::string& executable, const std::string& file, const std::string& name,
                         bool replace_all) {
  if (platform::file_size(file) <= 0) return 0;
  std::string data;
  if (!platform::read_file(file, data)) return 0;
  return add_resource_bytes(executable, data, name, replace_all);
}

void make_archive(const AppState& state, std::string_view sevenzip_image, const PackagingReport& report) {
  const std::string archive = package_base(state, package_processor_tag(state, report)) + ".7z";
  // 7-Zip builds the archive under a temporary name beside it; only a
  // complete one is renamed over the old archive, so a failed or killed run
  // leaves the old one or none, never one cut short.
  platform::FileSystem& files = platform::real_file_system();
  platform::remove_leftovers(files, archive);
  const std::string temporary = platform::temporary_name_for(archive);
  platform::delete_file(temporary);
  bool complete = true;

  std::string archiver = state.work_folder + archiver_name();
  if (!sevenzip_image.empty()) {
    platform::write_file(archiver, sevenzip_image);
    make_executable(archiver);
  }

  auto add = [&](const std::string& item) {
    // "-t7z": the temporary name's ending does not say which format.
    const std::string arguments = "a -t7z " + quoted_argument(temporary) + " " + quoted_argument(item);
    CapturedRun run = run_wait_captured(archiver, arguments, "", true, report.cancel);
    if (run.stopped) {
      complete = false;  // a stopped archiver leaves half an archive: none is better
      return;
    }
    // Exit code 1 is 7-Zip's warning, given for an item that is not there:
    // a library without resident file has none to add, by design.
    const bool failed = !run.started || run.exit_code >= 2 || (run.exit_code != 0 && platform::exists(item)) ||
                        !platform::is_file(temporary);
    if (!failed) return;
    complete = false;
    // Without capture_runs (the window) the output is not shown, only the failure.
    if (!report.capture_runs) run.output.clear();
    tell(report, failed_run_text("7-Zip " + archiver + " adding " + item, run));
  };
  add(state.library_source);
  add(state.work_folder + state.library_name + ".chm");
  add(user_library_path(state));
  add(resident_path(state));
  platform::WriteFailure failure;
  const std::string tweaked = state.work_folder + state.library_name + ".pb";
  if (platform::is_file(tweaked) && !platform::copy_whole(files, tweaked, tweaked_copy_path(state), &failure)) {
    complete = false;
    tell(report, "The archive was not made: " + failure.text());
  }
  if (complete) add(tweaked_copy_path(state));
  // An include folder that was never chosen has nothing to add; an empty
  // item would make the archiver take the current folder.
  if (complete && !state.include_folder.empty()) add(state.include_folder);
  if (complete && platform::commit_whole(files, temporary, archive, &failure)) return;
  if (complete) tell(report, "The archive could not be written: " + failure.text());
  // No archive of an earlier build may pass for this one's.
  platform::delete_file(temporary);
  platform::delete_file(archive);
}

std::string package_sums(const std::vector<pe::Resource>& resources) {
  std::string sums;
  for (const char* name : kPackageResources) {
    const pe::Resource* r = pe::find_resource(resources, pe::kRtRcData, name);
    if (!r) continue;
    char line[40];
    int n = package_check::format_sum_line(line, name, r->data.data(), static_cast<uint32_t>(r->data.size()));
    sums.append(line, static_cast<size_t>(n));
  }
  return sums;
}

namespace {

bool find_read_resource(void* context, const char* name, const unsigned char** data, uint32_t* size) {
  const auto* resources = static_cast<const std::vector<pe::Resource>*>(context);
  const pe::Resource* r = pe::find_resource(*resources, pe::kRtRcData, name);
  if (!r) return false;
  *data = reinterpret_cast<const unsigned char*>(r->data.data());
  *size = static_cast<uint32_t>(r->data.size());
  return true;
}

}  // namespace

bool package_is_whole(const std::vector<pe::Resource>& resources, std::string* problem) {
  const pe::Resource* sums = pe::find_resource(resources, pe::kRtRcData, package_check::kSumsResource);
  if (!sums) return true;
  char text[512];
  bool whole =
      package_check::check_package(sums->data.data(), static_cast<uint32_t>(sums->data.size()), find_read_resource,
                                   const_cast<std::vector<pe::Resource>*>(&resources), text, sizeof text);
  if (problem) *problem = text;
  return whole;
}

bool seal_installer(const std::string& executable) {
  std::string image;
  std::vector<pe::Resource> resources;
  if (!platform::read_file(executable, image) || !pe::read_resources(image, resources)) return false;
  std::string sums = package_sums(resources);
  return sums.empty() || add_resource_bytes(executable, sums, package_check::kSumsResource, false);
}

namespace {

// The executable file as write_rcdata_streamed writes it, with the
// system's reason for the first write that failed.
class FileSink final : public pe::ImageSink {
 public:
  explicit FileSink(const std::string& path) : file(path) {}
  bool write(std::string_view bytes) override { return noted(file.write(bytes)); }
  bool write_at(uint64_t offset, std::string_view bytes) override { return noted(file.write_at(offset, bytes)); }
  platform::OutputFile file;
  std::string reason;

 private:
  bool noted(bool ok) {
    if (!ok && reason.empty()) reason = platform::last_error_text();
    return ok;
  }
};

}  // namespace

bool write_installer(const std::string& destination, std::string_view installer_image,
                     const std::vector<PackagePart>& parts, std::string* problem) {
  auto failed = [&](const std::string& why) {
    platform::delete_file(destination);
    if (problem) *problem = why;
    return false;
  };
  struct Passed {
    uint32_t crc = 0;
    bool done = false;
  };
  std::vector<Passed> passed(parts.size());
  std::vector<pe::ResourceSource> sources;
  std::vector<size_t> part_of;  // the part each source carries
  std::string sums_shape;       // the seal with every CRC zero: its size
  for (const char* name : kPackageResources) {
    for (size_t i = 0; i < parts.size(); ++i) {
      const PackagePart& part = parts[i];
      if (part.name != name) continue;
      const int64_t size = part.file.empty() ? static_cast<int64_t>(part.bytes.size()) : platform::file_size(part.file);
      // A missing, empty or unreadable file gives no resource; the others
      // are packaged all the same.
      if (size <= 0 || (!part.file.empty() && !platform::InputFile(part.file).is_open())) continue;
      if (size > INT32_MAX) return failed(part.file + " is too large for an executable");
      pe::ResourceSource source;
      for (const char c : part.name) source.resource.name.name.push_back(static_cast<unsigned char>(c));
      source.size = static_cast<uint32_t>(size);
      source.read = [&part, &done = passed[i]](const std::function<bool(std::string_view)>& put) {
        auto take = [&](std::string_view bytes) {
          done.crc = package_check::crc32(bytes.data(), bytes.size(), done.crc);
          return put(bytes);
        };
        if (part.file.empty()) return done.done = take(part.bytes);
        platform::InputFile in(part.file);
        std::vector<char> block(size_t{1} << 20);
        for (int64_t n; (n = in.read(block.data(), block.size())) != 0;)
          if (n < 0 || !take(std::string_view(block.data(), static_cast<size_t>(n)))) return false;
        return done.done = in.is_open();
      };
      char line[40];
      sums_shape.append(line, static_cast<size_t>(package_check::format_sum_line_crc(line, name, source.size, 0)));
      part_of.push_back(i);
      sources.push_back(std::move(source));
    }
  }
  // The seal comes after the package resources in the tree ("SUMS" sorts
  // after their names), so their checksums are known when its turn comes.
  if (!sums_shape.empty()) {
    pe::ResourceSource seal;
    for (const char c : std::string_view(package_check::kSumsResource))
      seal.resource.name.name.push_back(static_cast<unsigned char>(c));
    seal.size = static_cast<uint32_t>(sums_shape.size());
    seal.read = [&](const std::function<bool(std::string_view)>& put) {
      std::string sums;
      for (size_t k = 0; k < sources.size() - 1; ++k) {
        const Passed& p = passed[part_of[k]];
        if (!p.done) return false;
        char line[40];
        const std::string& name = parts[part_of[k]].name;
        sums.append(
            line, static_cast<size_t>(package_check::format_sum_line_crc(line, name.c_str(), sources[k].size, p.crc)));
      }
      return put(sums);
    };
    sources.push_back(std::move(seal));
  }
  std::string error;
  bool ok;
  {
    FileSink sink(destination);
    if (!sink.file.is_open()) return failed("it cannot be created: " + platform::last_error_text());
    ok = pe::write_rcdata_streamed(installer_image, sources, sink, &error);
    if (!ok && !sink.reason.empty()) error += ": " + sink.reason;
    if (!sink.file.close() && ok) return failed("it cannot be written: " + platform::last_error_text());
  }
  if (!ok) return failed(error);
  return true;
}

void make_installer(const AppState& state, std::string_view installer_image, const PackagingReport& report) {
  const std::string executable = package_base(state, package_processor_tag(state, report)) + ".exe";
  if (installer_image.empty()) {
    platform::delete_file(executable);
    return;
  }
  // Made under a temporary name and only then put in the old one's place: a
  // full disk or a killed run never leaves a cut installer. write_installer
  // checks every write and seals the bytes as they pass, so the executable
  // is not read back (that would hold the whole package in memory).
  platform::FileSystem& files = platform::real_file_system();
  platform::remove_leftovers(files, executable);
  const std::string temporary = platform::temporary_name_for(executable);
  // The name resource carries the library name and version; it is formed
  // here so that every package names its library, also when the source has
  // no version line and so no version file.
  const std::vector<PackagePart> parts = {
      {"NAME", "", state.library_name + "\r\n" + state.library_version + "\r\n"},
      {"SOURCE", state.library_source, ""},
      {"LIBRARY", user_library_path(state), ""},
      {"CHM", state.work_folder + state.library_name + ".chm", ""},
      {"SOURCE-TWEAKED", tweaked_copy_path(state), ""},
      {"RESIDENT", resident_path(state), ""},
  };
  std::string problem;
  platform::WriteFailure failure{executable, {}};
  if (write_installer(temporary, installer_image, parts, &problem) &&
      platform::commit_whole(files, temporary, executable, &failure))
    return;
  if (failure.reason.empty()) failure.reason = problem.empty() ? "it could not be written" : problem;
  tell(report, "The installer could not be written: " + failure.text());
  platform::delete_file(temporary);
  platform::delete_file(executable);  // no installer of an earlier build passes for this one's
}

void copy_sources(const AppState& state, const PackagingReport& report) {
  const std::string folder = purebasic::folder_in(state.purebasic_folder, purebasic::kLibrarySourceFolder);
  platform::create_folder(folder);
  const std::string base = platform::file_stem(state.library_source);
  // Each copy replaces the old one whole or not at all.
  const std::pair<std::string, std::string> copies[] = {{state.library_source, folder + base + ".pb"},
                                                        {tweaked_copy_path(state), folder + base + "-Tweaked.pb"}};
  for (const auto& [from, to] : copies) {
    platform::WriteFailure failure;
    if (platform::is_file(from) && !platform::copy_whole(platform::real_file_system(), from, to, &failure))
      tell(report, "The source copy could not be written: " + failure.text());
  }
}

bool make_packages(const AppState& state, std::string_view sevenzip_image, std::string_view installer_image,
                   const PackagingReport& report) {
  if (!state.library_name.empty()) {
    make_archive(state, sevenzip_image, report);
    if (stop_requested(report.cancel)) return false;
    make_installer(state, installer_image, report);
  }
  if (stop_requested(report.cancel)) return false;
  copy_sources(state, report);
  return true;
}

}  // namespace lh
