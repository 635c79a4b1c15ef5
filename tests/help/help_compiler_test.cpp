// The manual's compilation on a file system held in memory: the built-in
// compiler reads the project and writes the manual through it, byte for
// byte as on the real disk.
#include "help/help_compiler.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "fakes/scripted_tool_runner.h"
#include "help_fixture.h"
#include "platform/file_system.h"
#include "platform/memory_file_system.h"

namespace lh {
namespace {

// A help project as write_help_project lays it out, with a page that links
// to a picture and one that a contents entry names.
const std::map<std::string, std::string> kProject = {
    {"Lib.hhp",
     "[OPTIONS]\r\nCompatibility=1.1 or later\r\nCompiled file=Lib.chm\r\nContents file=Lib.hhc\r\n"
     "Default topic=Index.html\r\nFull-text search=Yes\r\nTitle=Lib Library\r\nIndex file=Lib.hhk\r\n"},
    {"Lib.hhc",
     "<HTML><BODY><UL><LI> <OBJECT TYPE=\"text/sitemap\">\r\n<PARAM NAME=\"Name\" VALUE=\"Index\">\r\n"
     "<PARAM NAME=\"Local\" VALUE=\"Index.html\">\r\n</OBJECT></UL></BODY></HTML>\r\n"},
    {"Lib.hhk", "<HTML><BODY><UL></UL></BODY></HTML>\r\n"},
    {"Index.html", "<html><title>Index</title><body>Words to find <a href=\"A.html\">A</a></body></html>"},
    {"A.html", "<html><title>A</title><body><img src=\"Warning.gif\"> more words</body></html>"},
    {"Warning.gif", std::string("GIF89a\0\1\2", 9)},
};

class ManualInMemory : public test::WorkFolder {
 protected:
  platform::MemoryFileSystem memory{false};
  std::string memory_work = test::memory_root() + "w" + platform::separator();

  void SetUp() override {
    test::WorkFolder::SetUp();
    ASSERT_TRUE(memory.create_folder(memory_work));
    for (const auto& [name, content] : kProject) {
      put(name, content);
      ASSERT_TRUE(memory.write_file(memory_work + name, content));
    }
  }
};

TEST_F(ManualInMemory, BuiltInCompilerGivesTheBytesOfTheRealDisk) {
  test::ScriptedToolRunner tools(memory);
  ManualRun in_memory, on_disk;
  ASSERT_TRUE(compile_manual(memory, tools, memory_work, "Lib", "", false, in_memory)) << in_memory.summary;
  ASSERT_TRUE(compile_manual(platform::real_file_system(), tools, folder_, "Lib", "", false, on_disk))
      << on_disk.summary;
  EXPECT_EQ(in_memory.summary, "the built-in compiler, with full-text search");
  EXPECT_EQ(on_disk.summary, in_memory.summary);
  EXPECT_TRUE(tools.command_lines.empty());
  std::map<std::string, std::string> files = memory.files();
  EXPECT_EQ(files.size(), kProject.size() + 1) << "the manual and nothing else beside the project";
  const std::string manual = get("Lib.chm");
  EXPECT_EQ(manual.compare(0, 4, "ITSF"), 0);
  EXPECT_TRUE(files[memory_work + "Lib.chm"] == manual) << "the manual differs from the one on the disk";
}

}  // namespace
}  // namespace lh
