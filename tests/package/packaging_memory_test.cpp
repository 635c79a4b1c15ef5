// Packaging on a file system in memory, with a scripted 7-Zip that reads
// its command line: what is committed, what is left behind when an
// archiver run fails or is stopped, the installer read back with its seal,
// and the source copies' failures told.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "base/cancellation.h"
#include "fakes/forwarding_file_system.h"
#include "fakes/scripted_tool_runner.h"
#include "package/packaging.h"
#include "platform/files.h"
#include "platform/memory_file_system.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/whole_file.h"

namespace lh {
namespace {

using test::memory_root;

const std::string S(1, platform::separator());

// How the scripted 7-Zip takes one item.
enum class SevenZip { kAdds, kExitsWith2, kDoesNotStart, kIsStopped };

class MemoryPackaging : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string& folder : {src, pb, pb + "PureLibraries", pb + "PureLibraries" + S + "UserLibraries",
                                      pb + "Residents", memory_root() + "Temp", work, include})
      ASSERT_TRUE(files.create_folder(folder)) << folder;
    state.library_source = src + "Strings.pb";
    state.include_folder = include;
    state.work_folder = work;
    state.purebasic_folder = pb;
    state.library_name = "Strings";
    state.library_version = "1.2";
    state.build_ran = true;
    // What a build leaves behind.
    files.write_file(state.library_source, "ProcedureDLL Len2(s$)\r\nEndProcedure\r\n");
    files.write_file(work + "Strings.pb", "; tweaked\r\n");
    files.write_file(work + "Strings.chm", "ITSF chm");
    files.write_file(user_library(), std::string("\0lib", 4));
    files.write_file(resident(), "res");
    files.write_file(include + "a.txt", "a");
    tools.scripts[work + archiver_name()].play = [this](const ToolCall& call, platform::FileSystem& disk) {
      return seven_zip(call, disk);
    };
  }

  // 7-Zip's add command: "a -t7z ARCHIVE ITEM". The archive here is the
  // list of the items added, one a line. A missing item is 7-Zip's warning,
  // exit code 1, and adds nothing.
  CapturedRun seven_zip(const ToolCall& call, platform::FileSystem& disk) {
    const std::vector<std::string> words = platform::split_arguments(call.arguments);
    CapturedRun run;
    if (words.size() != 4 || words[0] != "a" || words[1] != "-t7z") return run;
    const std::string& archive = words[2];
    const std::string& item = words[3];
    const SevenZip how = behaviour.count(item) ? behaviour[item] : SevenZip::kAdds;
    if (how == SevenZip::kDoesNotStart) return run;
    run.started = true;
    if (how != SevenZip::kAdds) {
      disk.append_file(archive, "half of " + item + "\n");  // what a broken run leaves
      run.exit_code = 2;
      run.output = "ERROR: " + item;
      if (how == SevenZip::kIsStopped) {
        cancel.request();
        run.exit_code = -1;
        run.stopped = true;
      }
      return run;
    }
    run.exit_code = disk.exists(item) ? 0 : 1;
    if (run.exit_code == 0) disk.append_file(archive, item + "\n");
    return run;
  }

  PackagingOptions options() { return {.files = &files, .tools = &tools, .reporter = &reporter, .cancel = &cancel}; }

  std::string user_library() const { return pb + "PureLibraries" + S + "UserLibraries" + S + "Strings"; }
  std::string resident() const { return pb + "Residents" + S + "Strings.res"; }
  std::string copied_source() const { return pb + "Library_Source" + S + "Strings.pb"; }
  std::string archive() const { return src + "Strings (1.2) x86.7z"; }
  std::string installer() const { return src + "Strings (1.2) x86.exe"; }
  std::string read(const std::string& path) {
    std::string bytes;
    return files.read_file(path, bytes) ? bytes : "<missing>";
  }
  std::vector<std::string> told() const {
    std::vector<std::string> texts;
    for (const test::RecordingReporter::Told& t : reporter.told) texts.push_back(t.text);
    return texts;
  }

  const std::string src = memory_root() + "src" + S;
  const std::string pb = memory_root() + "PureBasic" + S;
  const std::string work = memory_root() + "Temp" + S + "LibHammer" + S;
  const std::string include = src + "inc" + S;
  platform::MemoryFileSystem files{false};
  test::ScriptedToolRunner tools{files};
  test::RecordingReporter reporter;
  Cancellation cancel;
  AppState state;
  std::map<std::string, SevenZip> behaviour;  // by item; kAdds when not named
  PackagingOutcome outcome;
};

// Every add succeeded but one for an item that is not there (no resident
// file: 7-Zip's exit code 1), which is by design: the archive replaces the
// old one and holds the other items, in order. The archiver is the only
// program packaging starts: the compiler's version came with the build.
TEST_F(MemoryPackaging, ArchiveIsCommittedWhenEveryAddSucceeded) {
  files.delete_file(resident());
  files.write_file(archive(), "an earlier build's archive");
  ASSERT_TRUE(make_archive(state, "x86", "7-Zip's bytes", options(), outcome));

  EXPECT_EQ(read(archive()), state.library_source + "\n" + work + "Strings.chm\n" + user_library() + "\n" + work +
                                 "Strings-tweaked.pb\n" + include + "\n");
  EXPECT_EQ(read(work + "Strings-tweaked.pb"), "; tweaked\r\n");
  EXPECT_EQ(read(work + archiver_name()), "7-Zip's bytes");
  EXPECT_FALSE(files.exists(platform::temporary_name_for(archive())));
  EXPECT_TRUE(outcome.problems.empty()) << ::testing::PrintToString(outcome.problems);
  ASSERT_EQ(tools.command_lines.size(), 6u);
  for (const std::string& line : tools.command_lines)
    EXPECT_EQ(line.rfind(command_line_for(work + archiver_name(), "a -t7z "), 0), 0u) << line;
}

// A run that fails (exit code 2), that cannot start, or that the user
// stops leaves no archive: neither the half-made one nor the earlier
// build's. A failure is told and named; a stop is not (the run's end tells
// it), and no later stage begins.
TEST_F(MemoryPackaging, FailedOrStoppedArchiverLeavesNoArchive) {
  const struct {
    const char* name;
    std::string item;
    SevenZip how;
  } cases[] = {
      {"exit code 2", work + "Strings.chm", SevenZip::kExitsWith2},
      {"not started", state.library_source, SevenZip::kDoesNotStart},
      {"stopped", user_library(), SevenZip::kIsStopped},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    files.write_file(archive(), "an earlier build's archive");
    files.delete_file(copied_source());
    behaviour = {{c.item, c.how}};
    reporter.told.clear();
    outcome = make_packages(state, "x86", "7-Zip's bytes", "", options());

    EXPECT_FALSE(files.exists(archive()));
    EXPECT_FALSE(files.exists(platform::temporary_name_for(archive())));
    if (c.how == SevenZip::kIsStopped) {
      EXPECT_TRUE(reporter.told.empty()) << ::testing::PrintToString(told());
      EXPECT_EQ(outcome.stages, std::vector<PackagingStage>{PackagingStage::kArchive});
      EXPECT_FALSE(files.exists(copied_source()));
    } else {
      ASSERT_FALSE(outcome.problems.empty());
      EXPECT_NE(outcome.problems[0].find("adding " + c.item), std::string::npos) << outcome.problems[0];
      EXPECT_EQ(told(), outcome.problems);
      EXPECT_TRUE(files.exists(copied_source()));  // the later stages go on
    }
  }
}

// The installer executable, read back from the disk it was written to,
// carries every package resource with the bytes of its file and a seal
// that the installer's check takes as whole; no temporary file stays.
TEST_F(MemoryPackaging, InstallerIsWrittenWholeWithItsSeal) {
  std::string image;
  if (!platform::read_file(LH_INSTALLER_EXE, image) || image.empty()) GTEST_SKIP() << "no installer image";
  files.write_file(work + "Strings-tweaked.pb", "; tweaked\r\n");
  files.write_file(installer(), "an earlier build's installer");
  ASSERT_TRUE(make_installer(state, "x86", image, options(), outcome)) << ::testing::PrintToString(outcome.problems);

  std::vector<pe::Resource> resources;
  ASSERT_TRUE(pe::read_resources(read(installer()), resources));
  const std::map<std::string, std::string> expected = {
      {"NAME", "Strings\r\n1.2\r\n"},      {"SOURCE", read(state.library_source)},
      {"LIBRARY", read(user_library())},   {"CHM", "ITSF chm"},
      {"SOURCE-TWEAKED", "; tweaked\r\n"}, {"RESIDENT", "res"}};
  for (const auto& [name, bytes] : expected) {
    const pe::Resource* r = pe::find_resource(resources, pe::kRtRcData, name);
    ASSERT_NE(r, nullptr) << name;
    EXPECT_EQ(r->data, bytes) << name;
  }
  const pe::Resource* seal = pe::find_resource(resources, pe::kRtRcData, "SUMS");
  ASSERT_NE(seal, nullptr);
  EXPECT_EQ(seal->data, package_sums(resources));
  std::string problem;
  EXPECT_TRUE(package_is_whole(resources, &problem)) << problem;
  EXPECT_FALSE(files.exists(platform::temporary_name_for(installer())));

  // A folder that is gone: nothing is written, and the user hears why.
  state.library_source = memory_root() + "gone" + S + "Strings.pb";
  EXPECT_FALSE(make_installer(state, "x86", image, options(), outcome));
  ASSERT_EQ(outcome.problems.size(), 1u);
  EXPECT_EQ(outcome.problems[0].rfind("The installer could not be written: " + memory_root() + "gone", 0), 0u)
      << outcome.problems[0];
  EXPECT_EQ(told(), outcome.problems);
}

// A package file that shrinks between the moment its size is taken and its
// read (the author saves the manual while packaging runs) would leave a
// resource shorter than its entry says: no installer is written.
TEST_F(MemoryPackaging, FileThatShrinksWhileReadGivesNoInstaller) {
  std::string image;
  if (!platform::read_file(LH_INSTALLER_EXE, image) || image.empty()) GTEST_SKIP() << "no installer image";
  struct Shrinking final : test::ForwardingFileSystem {
    using ForwardingFileSystem::ForwardingFileSystem;
    int64_t file_size(const std::string& p) override { return ForwardingFileSystem::file_size(p) + 1; }
  } shrinking(files);
  const std::vector<PackagePart> parts = {{"NAME", "", "Strings\r\n"}, {"CHM", work + "Strings.chm", ""}};
  std::string error;
  EXPECT_FALSE(write_installer(shrinking, installer(), image, parts, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(files.exists(installer()));
  EXPECT_TRUE(write_installer(files, installer(), image, parts, &error)) << error;
}

// A Library_Source folder that cannot be made, and a copy that cannot
// replace what stands in its place, are each told.
TEST_F(MemoryPackaging, SourceCopiesFailuresAreTold) {
  files.write_file(work + "Strings-tweaked.pb", "; tweaked\r\n");
  ASSERT_TRUE(files.create_folder(pb + "Library_Source"));
  ASSERT_TRUE(files.create_folder(pb + "Library_Source" + S + "Strings-Tweaked.pb"));  // in the copy's way
  EXPECT_FALSE(copy_sources(state, options(), outcome));
  EXPECT_EQ(read(pb + "Library_Source" + S + "Strings.pb"), read(state.library_source));
  ASSERT_EQ(outcome.problems.size(), 1u);
  EXPECT_EQ(outcome.problems[0].rfind(
                "The source copy could not be written: " + pb + "Library_Source" + S + "Strings-Tweaked.pb: ", 0),
            0u)
      << outcome.problems[0];

  outcome = {};
  state.purebasic_folder = memory_root() + "NoPureBasic" + S;
  EXPECT_FALSE(copy_sources(state, options(), outcome));
  ASSERT_EQ(outcome.problems.size(), 1u);
  EXPECT_EQ(outcome.problems[0].rfind("The source copies could not be written: " + state.purebasic_folder, 0), 0u)
      << outcome.problems[0];
  EXPECT_EQ(told().size(), 2u);
}

}  // namespace
}  // namespace lh
