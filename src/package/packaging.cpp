#include "package/packaging.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "base/cancellation.h"
#include "base/reporter.h"
#include "help/help_compiler.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/resources.h"
#include "platform/run_program.h"
#include "platform/whole_file.h"
#include "purebasic/folder_layout.h"
#include "purebasic/tool_runner.h"

namespace lh {

namespace {

// What the stages of one packaging run share: the disk, the archiver's
// runner, and the outcome every problem goes into.
class Packaging {
  // The runner when the caller hands none; first, since `tools` may name it.
  RealToolRunner real_tools_;

 public:
  Packaging(const PackagingOptions& packaging_options, PackagingOutcome& packaging_outcome)
      : real_tools_(packaging_options.cancel),
        options(packaging_options),
        files(options.files ? *options.files : platform::real_file_system()),
        tools(options.tools ? *options.tools : real_tools_),
        outcome(packaging_outcome) {}

  // Records a problem and tells the user.
  void problem(const std::string& text) {
    outcome.problems.push_back(text);
    if (options.reporter) options.reporter->tell("LibHammer", text, MessageIcon::kError);
  }

  const PackagingOptions& options;
  platform::FileSystem& files;
  ToolRunner& tools;
  PackagingOutcome& outcome;
};

std::string user_library_path(const AppState& s) {
  return purebasic::user_library_path(s.purebasic_folder, s.library_name);
}

std::string resident_path(const AppState& s) {
  return purebasic::resident_file_path(s.purebasic_folder, s.library_name);
}

std::string tweaked_copy_path(const AppState& s) { return s.work_folder + s.library_name + "-tweaked.pb"; }

// The reason the file system gives for its last failure, or `otherwise`.
std::string reason(platform::FileSystem& files, const std::string& otherwise) {
  std::string text = files.error_text();
  return text.empty() ? otherwise : text;
}

void set_error(std::string* error, const std::string& text) {
  if (error) *error = text;
}

// Writes the archiver the program carries into the work folder, where it is
// run from. False, with the failure told, when it cannot be written or made
// a program.
bool write_archiver(Packaging& p, const std::string& archiver, std::string_view image) {
  if (image.empty()) return true;  // none carried: whatever stands there is run
  if (!p.files.write_file(archiver, image)) {
    p.problem("The archive was not made: " + archiver + ": " + reason(p.files, "the file could not be written"));
    return false;
  }
  // The npm package ships the Linux archiver without its execute bit.
  if (!p.files.make_executable(archiver)) {
    p.problem("The archive was not made: " + archiver + ": " + reason(p.files, "it cannot be made a program"));
    return false;
  }
  return true;
}

// No package of an earlier build may pass for this run's: one that cannot
// be removed is told.
void remove_earlier_package(Packaging& p, const std::string& path) {
  if (p.files.is_file(path) && !p.files.delete_file(path))
    p.problem("The package of an earlier build could not be removed: " + path + ": " +
              reason(p.files, "it could not be deleted"));
}

}  // namespace

std::string archiver_name() { return platform::separator() == '\\' ? "7za.exe" : "7za"; }

std::string package_base(const AppState& state, const std::string& processor_tag) {
  return platform::folder_part(state.library_source) + state.library_name + " (" + state.library_version + ") " +
         processor_tag;
}

bool add_package_resource(platform::FileSystem& files, const std::string& executable, const std::string& file,
                          const std::string& name, bool replace_all, std::string* error) {
  if (files.file_size(file) <= 0) {
    set_error(error, file + " is missing, a folder or empty");
    return false;
  }
  std::string data;
  if (!files.read_file(file, data)) {
    set_error(error, file + " cannot be read: " + reason(files, "the file could not be read"));
    return false;
  }
  // The system's resource update writes the executable itself.
  if (!platform::update_resource(executable, name, data, replace_all)) {
    set_error(error, "the resource " + name + " could not be added to " + executable);
    return false;
  }
  return true;
}

namespace {

// One archiver run adding `item` to `temporary`. False when the archive
// cannot be complete: the run was stopped, or failed (told).
bool add_to_archive(Packaging& p, const std::string& archiver, const std::string& temporary, const std::string& item) {
  // "-t7z": the temporary name's ending does not say which format.
  const std::string arguments = "a -t7z " + quoted_argument(temporary) + " " + quoted_argument(item);
  CapturedRun run = p.tools.run_and_wait({archiver, arguments, "", true, true});
  if (run.stopped) return false;  // a stopped archiver leaves half an archive: none is better
  // Exit code 1 is 7-Zip's warning, given for an item that is not there:
  // a library without resident file has none to add, by design.
  const bool failed =
      !run.started || run.exit_code >= 2 || (run.exit_code != 0 && p.files.exists(item)) || !p.files.is_file(temporary);
  if (!failed) return true;
  // Without capture_runs (the window) the output is not shown, only the failure.
  if (!p.options.capture_runs) run.output.clear();
  p.problem(failed_run_text("7-Zip " + archiver + " adding " + item, run));
  return false;
}

bool make_archive(Packaging& p, const AppState& state, const std::string& processor_tag,
                  std::string_view sevenzip_image) {
  const std::string archive = package_base(state, processor_tag) + ".7z";
  // 7-Zip builds the archive under a temporary name beside it; only a
  // complete one is renamed over the old archive, so a failed or killed run
  // leaves the old one or none, never one cut short.
  platform::remove_leftovers(p.files, archive);
  const std::string temporary = platform::temporary_name_for(archive);
  p.files.delete_file(temporary);

  const std::string archiver = state.work_folder + archiver_name();
  bool complete = write_archiver(p, archiver, sevenzip_image);
  auto add = [&](const std::string& item) {
    if (stop_requested(p.options.cancel) || !add_to_archive(p, archiver, temporary, item)) complete = false;
  };
  // Each of the first items is tried, so that every one that fails is told.
  if (complete) {
    add(state.library_source);
    add(state.work_folder + state.library_name + ".chm");
    add(user_library_path(state));
    add(resident_path(state));
  }
  // The copy is the installer's and the source copies' too: it is made
  // whatever became of the archive.
  platform::WriteFailure failure;
  const std::string tweaked = state.work_folder + state.library_name + ".pb";
  if (p.files.is_file(tweaked) && !platform::copy_whole(p.files, tweaked, tweaked_copy_path(state), &failure)) {
    complete = false;
    p.problem("The archive was not made: " + failure.text());
  }
  if (complete) add(tweaked_copy_path(state));
  // An include folder that was never chosen has nothing to add; an empty
  // item would make the archiver take the current folder.
  if (complete && !state.include_folder.empty()) add(state.include_folder);
  if (complete && platform::commit_whole(p.files, temporary, archive, &failure)) return true;
  if (complete) p.problem("The archive could not be written: " + failure.text());
  p.files.delete_file(temporary);
  remove_earlier_package(p, archive);
  return false;
}

}  // namespace

bool make_archive(const AppState& state, const std::string& processor_tag, std::string_view sevenzip_image,
                  const PackagingOptions& options, PackagingOutcome& outcome) {
  Packaging p(options, outcome);
  return make_archive(p, state, processor_tag, sevenzip_image);
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

bool seal_installer(platform::FileSystem& files, const std::string& executable, std::string* error) {
  std::string image;
  if (!files.read_file(executable, image)) {
    set_error(error, executable + " cannot be read: " + reason(files, "the file could not be read"));
    return false;
  }
  std::vector<pe::Resource> resources;
  std::string why;
  if (!pe::read_resources(image, resources)) {
    set_error(error, executable + " is not an executable whose resources can be read");
    return false;
  }
  const std::string sums = package_sums(resources);
  if (sums.empty()) return true;
  if (!pe::add_rcdata(image, package_check::kSumsResource, sums, false, &why)) {
    set_error(error, executable + ": " + why);
    return false;
  }
  if (!files.write_file(executable, image)) {
    set_error(error, executable + " cannot be written: " + reason(files, "the file could not be written"));
    return false;
  }
  return true;
}

namespace {

// The executable file as write_rcdata_streamed writes it, with the
// system's reason for the first write that failed.
class StreamSink final : public pe::ImageSink {
 public:
  StreamSink(platform::FileSystem& file_system, std::unique_ptr<platform::OutputStream> stream)
      : files(file_system), out(std::move(stream)) {}
  bool write(std::string_view bytes) override { return noted(out->write(bytes)); }
  bool write_at(uint64_t offset, std::string_view bytes) override { return noted(out->write_at(offset, bytes)); }
  platform::FileSystem& files;
  std::unique_ptr<platform::OutputStream> out;
  std::string failure;

 private:
  bool noted(bool ok) {
    if (!ok && failure.empty()) failure = files.error_text();
    return ok;
  }
};

// How far a part's bytes have passed into the executable.
struct Passed {
  uint32_t crc = 0;
  bool done = false;
};

// Reads one part into the executable block by block, its CRC summed on the
// way.
bool pass_part(platform::FileSystem& files, const PackagePart& part, Passed& done,
               const std::function<bool(std::string_view)>& put) {
  auto take = [&](std::string_view bytes) {
    done.crc = package_check::crc32(bytes.data(), bytes.size(), done.crc);
    return put(bytes);
  };
  if (part.file.empty()) return done.done = take(part.bytes);
  std::unique_ptr<platform::InputStream> in = files.open_input(part.file);
  if (!in) return false;
  std::vector<char> block(size_t{1} << 20);
  for (int64_t n; (n = in->read(block.data(), block.size())) != 0;)
    if (n < 0 || !take(std::string_view(block.data(), static_cast<size_t>(n)))) return false;
  return done.done = true;
}

pe::ResourceSource named_source(std::string_view name, uint32_t size) {
  pe::ResourceSource source;
  for (const char c : name) source.resource.name.name.push_back(static_cast<unsigned char>(c));
  source.size = size;
  return source;
}

}  // namespace

bool write_installer(platform::FileSystem& files, const std::string& destination, std::string_view installer_image,
                     const std::vector<PackagePart>& parts, std::string* error) {
  auto failed = [&](const std::string& why) {
    files.delete_file(destination);
    set_error(error, why);
    return false;
  };
  std::vector<Passed> passed(parts.size());
  std::vector<pe::ResourceSource> sources;
  std::vector<size_t> part_of;  // the part each source carries
  std::string sums_shape;       // the seal with every CRC zero: its size
  for (const char* name : kPackageResources) {
    for (size_t i = 0; i < parts.size(); ++i) {
      const PackagePart& part = parts[i];
      if (part.name != name) continue;
      const int64_t size = part.file.empty() ? static_cast<int64_t>(part.bytes.size()) : files.file_size(part.file);
      // A missing, empty or unreadable file gives no resource; the others
      // are packaged all the same.
      if (size <= 0 || (!part.file.empty() && !files.open_input(part.file))) continue;
      if (size > INT32_MAX) return failed(part.file + " is too large for an executable");
      pe::ResourceSource source = named_source(part.name, static_cast<uint32_t>(size));
      source.read = [&files, &part, &done = passed[i]](const std::function<bool(std::string_view)>& put) {
        return pass_part(files, part, done, put);
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
    pe::ResourceSource seal = named_source(package_check::kSumsResource, static_cast<uint32_t>(sums_shape.size()));
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
  std::unique_ptr<platform::OutputStream> out = files.open_output(destination);
  if (!out) return failed("it cannot be created: " + reason(files, "the file could not be created"));
  StreamSink sink(files, std::move(out));
  std::string why;
  const bool ok = pe::write_rcdata_streamed(installer_image, sources, sink, &why);
  if (!ok && !sink.failure.empty()) why += ": " + sink.failure;
  if (!sink.out->close() && ok)
    return failed("it cannot be written: " + reason(files, "the file could not be written"));
  if (!ok) return failed(why);
  return true;
}

namespace {

bool make_installer(Packaging& p, const AppState& state, const std::string& processor_tag,
                    std::string_view installer_image) {
  const std::string executable = package_base(state, processor_tag) + ".exe";
  platform::WriteFailure failure{executable, {}};
  if (installer_image.empty()) {
    remove_earlier_package(p, executable);
    failure.reason = "this program carries no installer program";
    p.problem("The installer could not be written: " + failure.text());
    return false;
  }
  // Made under a temporary name and only then put in the old one's place: a
  // full disk or a killed run never leaves a cut installer. write_installer
  // checks every write and seals the bytes as they pass, so the executable
  // is not read back (that would hold the whole package in memory).
  platform::remove_leftovers(p.files, executable);
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
  std::string why;
  if (write_installer(p.files, temporary, installer_image, parts, &why) &&
      platform::commit_whole(p.files, temporary, executable, &failure))
    return true;
  if (failure.reason.empty()) failure.reason = why.empty() ? "it could not be written" : why;
  p.problem("The installer could not be written: " + failure.text());
  p.files.delete_file(temporary);
  remove_earlier_package(p, executable);
  return false;
}

bool copy_sources(Packaging& p, const AppState& state) {
  const std::string folder = purebasic::folder_in(state.purebasic_folder, purebasic::kLibrarySourceFolder);
  if (!p.files.create_folder(folder)) {
    p.problem("The source copies could not be written: " + folder + ": " +
              reason(p.files, "the folder could not be created"));
    return false;
  }
  const std::string base = platform::file_stem(state.library_source);
  // Each copy replaces the old one whole or not at all.
  const std::pair<std::string, std::string> copies[] = {{state.library_source, folder + base + ".pb"},
                                                        {tweaked_copy_path(state), folder + base + "-Tweaked.pb"}};
  bool all = true;
  for (const auto& [from, to] : copies) {
    platform::WriteFailure failure;
    if (p.files.is_file(from) && !platform::copy_whole(p.files, from, to, &failure)) {
      p.problem("The source copy could not be written: " + failure.text());
      all = false;
    }
  }
  return all;
}

}  // namespace

bool make_installer(const AppState& state, const std::string& processor_tag, std::string_view installer_image,
                    const PackagingOptions& options, PackagingOutcome& outcome) {
  Packaging p(options, outcome);
  return make_installer(p, state, processor_tag, installer_image);
}

bool copy_sources(const AppState& state, const PackagingOptions& options, PackagingOutcome& outcome) {
  Packaging p(options, outcome);
  return copy_sources(p, state);
}

PackagingOutcome make_packages(const AppState& state, const std::string& processor_tag, std::string_view sevenzip_image,
                               std::string_view installer_image, const PackagingOptions& options) {
  PackagingOutcome outcome;
  Packaging p(options, outcome);
  if (!state.library_name.empty()) {
    outcome.stages.push_back(PackagingStage::kArchive);
    make_archive(p, state, processor_tag, sevenzip_image);
    if (stop_requested(options.cancel)) return outcome;
    outcome.stages.push_back(PackagingStage::kInstaller);
    make_installer(p, state, processor_tag, installer_image);
  }
  if (stop_requested(options.cancel)) return outcome;
  outcome.stages.push_back(PackagingStage::kSourceCopies);
  copy_sources(p, state);
  return outcome;
}

}  // namespace lh
