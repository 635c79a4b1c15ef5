// Both ways of filling the installer executable, checked by Windows itself:
// the resource API (BeginUpdateResourceA...) and the portable writer. Each
// result is loaded as a data file and searched with FindResourceA, read by
// the portable reader, and run: the installer checks the seal and extracts
// its resources.
#include <windows.h>

#include <gtest/gtest.h>

#include "package/packaging.h"
#include "pe/pe_resources.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "platform/run_program.h"

namespace lh {
namespace {

std::string sample(size_t size, unsigned seed) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + seed * 13) & 0xff);
  return s;
}

struct Case {
  const char* name;
  std::string data;
};

std::vector<Case> package() {
  return {{"NAME", "Strings\r\n1.2\r\n"}, {"SOURCE", sample(3001, 1)},         {"LIBRARY", sample(40000, 2)},
          {"CHM", sample(123457, 3)},     {"SOURCE-TWEAKED", sample(2999, 4)}, {"RESIDENT", sample(777, 5)}};
}

std::string find_in_module(HMODULE module, const char* name, WORD type = 10) {
  HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(type));
  if (!found) return "<missing>";
  HGLOBAL loaded = LoadResource(module, found);
  const char* bytes = static_cast<const char*>(LockResource(loaded));
  return std::string(bytes, SizeofResource(module, found));
}

int run_and_wait(const std::string& command) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string line = command;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 99;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

class ResourceUpdate : public ::testing::TestWithParam<bool> {};

TEST_P(ResourceUpdate, WindowsFindsEveryResourceAndTheInstallerRuns) {
  bool use_api = GetParam();
  std::string image;
  ASSERT_TRUE(platform::read_file(LH_INSTALLER_EXE, image));
  std::string dir = ::testing::TempDir();
  std::string exe = dir + (use_api ? "lh_api" : "lh_portable") + " (1.2) x86.exe";
  ASSERT_TRUE(platform::write_file(exe, image));
  for (const Case& c : package()) {
    if (use_api) {
      ASSERT_TRUE(platform::update_resource(exe, c.name, c.data, false)) << c.name;
    } else {
      std::string now;
      ASSERT_TRUE(platform::read_file(exe, now));
      ASSERT_TRUE(pe::add_rcdata(now, c.name, c.data, false)) << c.name;
      ASSERT_TRUE(platform::write_file(exe, now));
    }
  }
  // Sealed as packaging does it; the installer below must take it as whole.
  ASSERT_TRUE(seal_installer(platform::real_file_system(), exe));

  HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  for (const Case& c : package())
    EXPECT_TRUE(find_in_module(module, c.name) == c.data)
        << c.name << " size " << find_in_module(module, c.name).size();
  EXPECT_EQ(find_in_module(module, "Name"), "Strings\r\n1.2\r\n");
  EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14)),
            nullptr);                                                                    // icon group
  EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)), nullptr);  // manifest
  FreeLibrary(module);

  std::string written;
  ASSERT_TRUE(platform::read_file(exe, written));
  std::vector<pe::Resource> res;
  ASSERT_TRUE(pe::read_resources(written, res));
  for (const Case& c : package()) {
    const pe::Resource* r = pe::find_resource(res, pe::kRtRcData, c.name);
    ASSERT_NE(r, nullptr) << c.name;
    EXPECT_TRUE(r->data == c.data) << c.name;
  }

  // The rewritten program still starts and writes out what it carries.
  std::string out = dir + (use_api ? "lh_api_out\\" : "lh_portable_out\\");
  CreateDirectoryA(out.c_str(), nullptr);
  EXPECT_EQ(run_and_wait(quoted_argument(exe) + " /S /EXTRACT " + quoted_argument(out)), 0);
  std::string got;
  EXPECT_TRUE(platform::read_file(out + "Strings.chm", got));
  EXPECT_TRUE(got == package()[3].data);
  EXPECT_TRUE(platform::read_file(out + "Strings", got));
  EXPECT_TRUE(got == package()[2].data) << got.size();
  for (const char* f : {"Strings.pb", "Strings-Tweaked.pb", "Strings", "Strings.chm", "Strings.res"})
    platform::delete_file(out + f);
  RemoveDirectoryA(out.c_str());
  platform::delete_file(exe);
}

INSTANTIATE_TEST_SUITE_P(BothPaths, ResourceUpdate, ::testing::Values(true, false),
                         [](const auto& test) { return test.param ? "WindowsApi" : "PortableWriter"; });

}  // namespace
}  // namespace lh
