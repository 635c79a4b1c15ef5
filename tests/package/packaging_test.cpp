// Packaging end to end with the real archiver and the real installer image:
// a stand-in PureBasic folder and work folder hold what a build leaves, and
// the archive listing, the installer's resources and the source copies are
// checked.
#include "package/packaging.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "base/cancellation.h"
#include "pe/pe_resources.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/run_program.h"
#include "purebasic/tool_runner.h"
#include "purebasic/tools.h"

namespace lh {
namespace {

const std::string S(1, platform::separator());

std::string read(const std::string& path) {
  std::string s;
  platform::read_file(path, s);
  return s;
}

std::string image(const char* path) { return read(path); }

// The package names' processor tag, from the stand-in compiler.
std::string tag_of(const std::string& purebasic_folder) {
  ProcessVersionAsker tools;
  std::string line;
  compiler_version_line(tools, purebasic_folder, kVersionAnswerWait, line, nullptr);
  return processor_tag_of(line);
}

// The archive's entries, with "/" separators, through the archiver's own
// listing (p7zip's 7z on Linux, the written 7za.exe on Windows).
std::set<std::string> archive_entries(const std::string& archive, const std::string& work) {
  std::string lister = S == "\\" ? work + archiver_name() : std::string("7z");
  ProgramHandle handle = run_capture(lister, "l -slt " + quoted_argument(archive), "");
  Program* p = handle.get();
  std::set<std::string> out;
  if (!p) return out;
  while (program_running(p)) {
    std::string line = read_output_line(p);
    if (line.rfind("Path = ", 0) == 0 && line.substr(7) != archive) {
      std::string path = line.substr(7);
      std::replace(path.begin(), path.end(), '\\', '/');
      out.insert(path);
    }
  }
  return out;
}

// An include folder item ending in a separator stores the folder's contents:
// under the folder's name (p7zip) or at the top (7-Zip for Windows).
size_t include_entry(const std::set<std::string>& entries, const std::string& name) {
  return entries.count(name) + entries.count("inc/" + name);
}

class Packaging : public ::testing::Test {
 protected:
  void SetUp() override {
    sevenzip = image(LH_SEVENZIP_EXE);
    installer = image(LH_INSTALLER_EXE);
    if (sevenzip.empty() || installer.empty()) GTEST_SKIP() << "archiver or installer image missing";
    root = ::testing::TempDir() + "lh_packaging_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + S;
    remove_tree(root);
    for (const char* f : {"", "src", "inc", "inc/sub", "work", "pb", "pb/PureLibraries",
                          "pb/PureLibraries/UserLibraries", "pb/Residents", "pb/compilers"}) {
      std::string path = root + f;
      std::replace(path.begin(), path.end(), '/', S[0]);
      platform::create_folder(path);
    }
#ifndef _WIN32
    // The compiler's version query gives the processor tag.
    platform::write_file(root + "pb/compilers/pbcompiler", "#!/bin/sh\necho 'PureBasic 6.04 LTS (Linux - x64)'\n");
    std::filesystem::permissions(root + "pb/compilers/pbcompiler", std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add);
#endif
    state.library_source = root + "src" + S + "Strings.pb";
    state.include_folder = root + "inc" + S;
    state.work_folder = root + "work" + S;
    state.purebasic_folder = root + "pb" + S;
    state.library_name = "Strings";
    state.library_version = "1.2";
    state.build_ran = true;
    write_build("1");
  }

  void TearDown() override {
    if (!root.empty()) remove_tree(root);
  }

  static void remove_tree(const std::string& folder) {
    for (const platform::FolderEntry& e : platform::list_folder(folder)) {
      if (e.is_folder)
        remove_tree(folder + e.name + S);
      else
        platform::delete_file(folder + e.name);
    }
    platform::remove_folder(folder);
  }

  // What a build leaves behind; `mark` makes each run's bytes different.
  void write_build(const std::string& mark) {
    platform::write_file(state.library_source, "ProcedureDLL Len2(s$) ; " + mark + "\r\nEndProcedure\r\n");
    platform::write_file(state.work_folder + "Strings.pb", "; tweaked " + mark + "\r\n");
    platform::write_file(state.work_folder + "Strings.chm", "ITSF chm " + mark);
    platform::write_file(user_library(), std::string("\0lib ", 5) + mark);
    platform::write_file(resident(), "res " + mark);
    platform::write_file(state.include_folder + "a.txt", "a" + mark);
    platform::write_file(state.include_folder + "sub" + S + "b.txt", "b" + mark);
  }

  std::string user_library() const {
    return state.purebasic_folder + "PureLibraries" + S + "UserLibraries" + S + "Strings";
  }
  std::string resident() const { return state.purebasic_folder + "Residents" + S + "Strings.res"; }
  std::string base() const { return package_base(state, tag_of(state.purebasic_folder)); }

  std::vector<pe::Resource> installer_resources() {
    std::vector<pe::Resource> res;
    EXPECT_TRUE(pe::read_resources(read(base() + ".exe"), res));
    return res;
  }
  std::string resource(const std::vector<pe::Resource>& res, const char* name) {
    const pe::Resource* r = pe::find_resource(res, pe::kRtRcData, name);
    return r ? r->data : "<missing>";
  }
  // Sealed, and whole for the installer's check.
  static bool sealed_whole(const std::vector<pe::Resource>& res) {
    return pe::find_resource(res, pe::kRtRcData, "SUMS") && package_is_whole(res);
  }

  std::string sevenzip, installer, root;
  AppState state;
};

TEST_F(Packaging, ArchiveInstallerAndSourceCopies) {
#ifndef _WIN32
  EXPECT_EQ(tag_of(state.purebasic_folder), "x64");
#endif
  EXPECT_EQ(base(), root + "src" + S + "Strings (1.2) " + tag_of(state.purebasic_folder));
  make_packages(state, tag_of(state.purebasic_folder), sevenzip, installer);

  std::set<std::string> entries = archive_entries(base() + ".7z", state.work_folder);
  for (const char* item : {"Strings.pb", "Strings.chm", "Strings", "Strings.res", "Strings-tweaked.pb"})
    EXPECT_EQ(entries.count(item), 1u) << item;
  EXPECT_EQ(include_entry(entries, "a.txt"), 1u);
  EXPECT_EQ(include_entry(entries, "sub/b.txt"), 1u);
  EXPECT_EQ(include_entry(entries, "sub"), 1u);
  EXPECT_LE(entries.size(), 9u) << ::testing::PrintToString(entries);
#ifndef _WIN32
  auto perms = std::filesystem::status(state.work_folder + "7za").permissions();
  EXPECT_NE(perms & std::filesystem::perms::owner_exec, std::filesystem::perms::none);
#endif

  std::vector<pe::Resource> res = installer_resources();
  EXPECT_EQ(resource(res, "NAME"), "Strings\r\n1.2\r\n");
  EXPECT_EQ(resource(res, "SOURCE"), read(state.library_source));
  EXPECT_EQ(resource(res, "LIBRARY"), read(user_library()));
  EXPECT_EQ(resource(res, "CHM"), read(state.work_folder + "Strings.chm"));
  EXPECT_EQ(resource(res, "SOURCE-TWEAKED"), read(state.work_folder + "Strings.pb"));
  EXPECT_EQ(resource(res, "RESIDENT"), read(resident()));
  std::vector<pe::Resource> own;
  ASSERT_TRUE(pe::read_resources(installer, own));
  EXPECT_EQ(res.size(), own.size() + 7);  // the six and the seal
  EXPECT_TRUE(sealed_whole(res));

  std::string copies = state.purebasic_folder + "Library_Source" + S;
  EXPECT_EQ(read(copies + "Strings.pb"), read(state.library_source));
  EXPECT_EQ(read(copies + "Strings-Tweaked.pb"), read(state.work_folder + "Strings.pb"));
}

TEST_F(Packaging, SecondRunReplacesBothPackagesCompletely) {
  make_packages(state, tag_of(state.purebasic_folder), sevenzip, installer);
  // The next build: new bytes, no resident file, one include file fewer.
  write_build("2");
  platform::delete_file(resident());
  platform::delete_file(state.include_folder + "sub" + S + "b.txt");
  make_packages(state, tag_of(state.purebasic_folder), sevenzip, installer);

  std::set<std::string> entries = archive_entries(base() + ".7z", state.work_folder);
  EXPECT_EQ(entries.count("Strings.res"), 0u);
  EXPECT_EQ(include_entry(entries, "sub/b.txt"), 0u);
  EXPECT_EQ(include_entry(entries, "a.txt"), 1u);
  EXPECT_EQ(entries.count("Strings-tweaked.pb"), 1u);

  std::vector<pe::Resource> res = installer_resources();
  EXPECT_EQ(resource(res, "RESIDENT"), "<missing>");
  EXPECT_EQ(resource(res, "SUMS").find("RESIDENT"), std::string::npos);
  EXPECT_TRUE(sealed_whole(res));
  EXPECT_EQ(resource(res, "CHM"), "ITSF chm 2");
  EXPECT_EQ(resource(res, "SOURCE-TWEAKED"), "; tweaked 2\r\n");
  EXPECT_EQ(resource(res, "NAME"), "Strings\r\n1.2\r\n");
}

TEST_F(Packaging, NoVersionLineStillNamesTheLibrary) {
  state.library_version.clear();
  state.include_folder.clear();  // never chosen: no item, nothing from the current folder
  make_packages(state, tag_of(state.purebasic_folder), sevenzip, installer);
  EXPECT_NE(base().find("Strings () "), std::string::npos);
  EXPECT_TRUE(platform::is_file(base() + ".7z"));
  EXPECT_EQ(resource(installer_resources(), "NAME"), "Strings\r\n\r\n");
  std::set<std::string> entries = archive_entries(base() + ".7z", state.work_folder);
  EXPECT_EQ(entries.size(), 5u);
}

TEST_F(Packaging, WithoutBuildOnlyTheSourceIsCopied) {
  state.library_name.clear();
  state.library_version.clear();
  state.build_ran = false;
  state.library_source = root + "src" + S + "My.Lib.pb";
  platform::write_file(state.library_source, "; my lib\r\n");
  make_packages(state, tag_of(state.purebasic_folder), sevenzip, installer);

  for (const platform::FolderEntry& e : platform::list_folder(root + "src" + S))
    EXPECT_TRUE(e.name == "Strings.pb" || e.name == "My.Lib.pb") << e.name;
  EXPECT_FALSE(platform::exists(state.work_folder + archiver_name()));
  std::string copies = state.purebasic_folder + "Library_Source" + S;
  EXPECT_EQ(read(copies + "My.pb"), "; my lib\r\n");
  EXPECT_FALSE(platform::exists(copies + "My-Tweaked.pb"));
}

// A run stopped on request writes nothing more: no archive begun, no
// installer, no source copies; packaging says it was stopped.
TEST_F(Packaging, StoppedRunWritesNoPackage) {
  Cancellation cancel;
  cancel.request();
  const PackagingOutcome outcome =
      make_packages(state, tag_of(state.purebasic_folder), sevenzip, installer, {.cancel = &cancel});
  EXPECT_EQ(outcome.stages, std::vector<PackagingStage>{PackagingStage::kArchive});
  for (const platform::FolderEntry& e : platform::list_folder(root + "src" + S)) EXPECT_EQ(e.name, "Strings.pb");
  EXPECT_FALSE(platform::exists(state.purebasic_folder + "Library_Source"));
}

TEST(PackagingNames, ArgumentsReachTheProgramIntact) {
  EXPECT_EQ(quoted_argument("C:\\Src\\Strings.pb"), "\"C:\\Src\\Strings.pb\"");
  // A folder's trailing backslash must not escape the closing quote.
  EXPECT_EQ(quoted_argument("C:\\Inc\\"), "\"C:\\Inc\\\\\"");
  EXPECT_EQ(quoted_argument("/home/inc/"), "\"/home/inc/\"");
  EXPECT_EQ(platform::file_stem(std::string("C:") + S + "x" + S + "My.Lib.pb"), "My");
  AppState s;
  s.library_source = "C:" + S + "Src" + S + "Strings.pb";
  s.library_name = "Strings";
  s.library_version = "1.2";
  EXPECT_EQ(package_base(s, "x86"), "C:" + S + "Src" + S + "Strings (1.2) x86");
}

}  // namespace
}  // namespace lh
