// Tool discovery: the icon value's folder part, the processor tag, and the
// compiler's version line from the stand-in compiler.
#include "purebasic/tools.h"
#include "purebasic/tool_runner.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "fakes/standin_support.h"
#include "platform/file_system.h"

namespace lh {
namespace {

TEST(IconValue, FolderPartOfTheEditorPath) {
  EXPECT_EQ(folder_from_icon_value("C:\\PureBasic\\PureBasic.exe,1"), "C:\\PureBasic\\");
  EXPECT_EQ(folder_from_icon_value("\"C:\\Pure Basic\\PureBasic.exe\",1"), "C:\\Pure Basic\\");
  EXPECT_EQ(folder_from_icon_value("\"C:\\Pure Basic\\PureBasic.exe\""), "C:\\Pure Basic\\");
  EXPECT_EQ(folder_from_icon_value("C:\\A,B\\PureBasic.exe"), "C:\\");  // cut at the first ","
  EXPECT_EQ(folder_from_icon_value("C:\\PB\\x|D:\\Other\\y.exe"), "C:\\PB\\");
  EXPECT_EQ(folder_from_icon_value("/opt/purebasic/purebasic"), "/opt/purebasic/");
  EXPECT_EQ(folder_from_icon_value("PureBasic.exe,0"), "");
  EXPECT_EQ(folder_from_icon_value(std::string(255, ' ')), "");  // what a missing key leaves
  EXPECT_EQ(folder_from_icon_value(""), "");
}

TEST(ProcessorTag, FromTheVersionLine) {
  EXPECT_EQ(processor_tag_of("PureBasic 6.10 LTS (Linux - x64)"), "x64");
  EXPECT_EQ(processor_tag_of("PureBasic 6.04 LTS (Windows - x86)"), "x86");
  EXPECT_EQ(processor_tag_of("PureBasic 6.10 (MacOS X - arm64)"), "arm");
  // Without a " - " group the first lower-case "x" decides.
  EXPECT_EQ(processor_tag_of("PureBasic 4.51 (Windows) x86"), "x86");
  EXPECT_EQ(processor_tag_of("PureBasic 4.51 X86 (Windows) xy"), "xy");
  EXPECT_EQ(processor_tag_of("PureBasic 5.00"), "Pur");
  EXPECT_EQ(processor_tag_of("PB"), "PB");
  EXPECT_EQ(processor_tag_of(""), "");
}

TEST(Tools, PathsAreFormedFromThePureBasicFolder) {
  const char s = platform::separator();
  const std::string pb = std::string("PB") + s;
  EXPECT_EQ(tailbite_path(platform::real_file_system(), pb), pb + "TailBite" + s + fakes::exe("TailBite"));
  EXPECT_EQ(tailbite_path(platform::real_file_system(), ""), std::string("TailBite") + s + fakes::exe("TailBite"));
#ifdef _WIN32
  EXPECT_EQ(compiler_path(pb), "PB\\Compilers\\pbcompiler.exe");
#else
  EXPECT_EQ(compiler_path(pb), "PB/compilers/pbcompiler");
#endif
  std::string t = temp_folder();
  ASSERT_FALSE(t.empty());
  EXPECT_EQ(t.back(), s);
  EXPECT_TRUE(platform::is_folder(t));
}

TEST(Tools, CompilerVersionLineAndTagFromTheStandInCompiler) {
  ProcessVersionAsker tools;
  auto compiler_version_line = [&](const std::string& folder) {
    std::string line;
    lh::compiler_version_line(tools, folder, kVersionAnswerWait, line, nullptr);
    return line;
  };
  auto processor_tag = [&](const std::string& folder) { return processor_tag_of(compiler_version_line(folder)); };
  const std::string pb = test::scratch_folder("pb-version");
  ASSERT_TRUE(fakes::lay_out_purebasic(pb));
#ifdef _WIN32
  EXPECT_EQ(compiler_version_line(pb), "PureBasic 6.04 LTS (Windows - x86)");
  EXPECT_EQ(processor_tag(pb), "x86");
#else
  EXPECT_EQ(compiler_version_line(pb), "PureBasic 6.10 LTS (Linux - x64)");
  EXPECT_EQ(processor_tag(pb), "x64");
#endif
  test::set_env("LH_FAKE_PB_VERSION", "PureBasic 5.73 LTS (Linux - x64)");
  EXPECT_EQ(processor_tag(pb), "x64");
  test::unset_env("LH_FAKE_PB_VERSION");

  // No compiler there: empty line, empty tag.
  const std::string empty = test::scratch_folder("pb-none");
  EXPECT_EQ(compiler_version_line(empty), "");
  EXPECT_EQ(processor_tag(empty), "");
  test::remove_tree(pb);
  test::remove_tree(empty);
}

// The stand-ins answer the command lines the build gives the real tools.
TEST(Tools, StandInsFollowTheBuildCommandLines) {
  const char s = platform::separator();
  const std::string pb = test::scratch_folder("pb-standins");
  const std::string work = test::scratch_folder("pb-standins-work");
  ASSERT_TRUE(fakes::lay_out_purebasic(pb));
  platform::write_file(work + "Strings.pb", "ProcedureDLL A()\r\nEndProcedure\r\n");
  platform::write_file(work + "Resident.pb", "#A = 1\r\n");
  const std::string log = work + "log.txt";
  test::set_env("LH_FAKE_LOG", log);

  ProgramHandle p = run_capture(tailbite_path(platform::real_file_system(), pb), "/VERS", "");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(test::read_all_lines(std::move(p)), std::vector<std::string>{"TailBite 1.4.12 (stand-in)"});
  EXPECT_TRUE(run_visible_wait(tailbite_path(platform::real_file_system(), pb),
                               test::quoted(work + "Strings.pb") + " /MULT /CHM:Strings", ""));
  const std::string library = pb + "PureLibraries" + s + "UserLibraries" + s + "Strings";
  EXPECT_NE(test::read_text(library).find("ProcedureDLL A()"), std::string::npos);

  const std::string resident = pb + "Residents" + s + "Strings.res";
  EXPECT_TRUE(run_hidden_wait(compiler_path(pb),
                              test::quoted(work + "Resident.pb") + " /Resident " + test::quoted(resident), ""));
  EXPECT_NE(test::read_text(resident).find("#A = 1"), std::string::npos);
  test::unset_env("LH_FAKE_LOG");

  const std::string logged = test::read_text(log);
  EXPECT_NE(logged.find("TailBite: "), std::string::npos);
  EXPECT_NE(logged.find(" /MULT /CHM:Strings\n"), std::string::npos);
  EXPECT_NE(logged.find("pbcompiler: "), std::string::npos);
  test::remove_tree(pb);
  test::remove_tree(work);
}

#ifndef _WIN32
// The TailBite check accepts its folder in any letter case; the runs start
// the program the check found there.
TEST(Tools, TailBiteInALowerCaseFolderIsTheOneRun) {
  const std::string pb = test::scratch_folder("pb-lower-tailbite");
  ASSERT_TRUE(fakes::lay_out_purebasic(pb));
  ASSERT_EQ(std::rename((pb + "TailBite").c_str(), (pb + "tailbite").c_str()), 0);
  EXPECT_EQ(tailbite_path(platform::real_file_system(), pb), pb + "tailbite/TailBite");
  ProgramHandle p = run_capture(tailbite_path(platform::real_file_system(), pb), "/VERS", "");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(test::read_all_lines(std::move(p)), std::vector<std::string>{"TailBite 1.4.12 (stand-in)"});
  // Program in another case as well; with none there, the usual name.
  ASSERT_EQ(std::rename((pb + "tailbite/TailBite").c_str(), (pb + "tailbite/TAILBITE").c_str()), 0);
  EXPECT_EQ(tailbite_path(platform::real_file_system(), pb), pb + "tailbite/TAILBITE");
  test::remove_tree(pb + "tailbite/");
  EXPECT_EQ(tailbite_path(platform::real_file_system(), pb), pb + "TailBite/TailBite");
  test::remove_tree(pb);
}

TEST(Tools, PureBasicFolderFromTheEnvironment) {
  const std::string saved = platform::environment_variable("PUREBASIC_HOME");
  test::set_env("PUREBASIC_HOME", "/opt/purebasic");
  EXPECT_EQ(purebasic_registry_lookup(), "/opt/purebasic/");
  test::set_env("PUREBASIC_HOME", "/opt/pb/");
  EXPECT_EQ(purebasic_registry_lookup(), "/opt/pb/");
  test::unset_env("PUREBASIC_HOME");
  EXPECT_EQ(purebasic_registry_lookup(), "");
  if (!saved.empty()) test::set_env("PUREBASIC_HOME", saved);
}
#endif

}  // namespace
}  // namespace lh
