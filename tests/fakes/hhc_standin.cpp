// Stand-in for HTML Help Workshop's hhc.exe, for Windows programs under
// Wine. It takes the project path as hhc.exe does, logs its start to
// LH_FAKE_LOG and compiles the project with LibHammer's own compiler, files
// that are missing left out as hhc.exe leaves them out. Like hhc.exe it ends
// with 1 when it made the manual and 0 when not. With LH_FAKE_HHC_FAILS set
// it makes nothing, as an hhc.exe that fails on a project.
#include <cstdlib>

#include "chm/compile_project.h"
#include "fake_common.h"
#include "platform/file_system.h"

int main(int argc, char** argv) {
  fake::log_start("hhc", argc, argv);
  if (argc < 2) {
    fake::print("usage: hhc project.hhp\r\n");
    return 0;
  }
  const char* fails = std::getenv("LH_FAKE_HHC_FAILS");
  if (fails && *fails) {
    fake::print("hhc stand-in: failing as asked\r\n");
    return 0;
  }
  lh::chm::ProjectCompilation c;
  std::string problem;
  const bool written = lh::chm::compile_help_project(lh::platform::real_file_system(), argv[1], true, c, &problem);
  for (const std::string& name : c.missing) fake::print("HHC5003: Warning: " + name + " not found\r\n");
  if (!written) {
    fake::print("HHC5010: Error: " + problem + "\r\n");
    return 0;
  }
  fake::print("Compiled " + c.output_path + "\r\n");
  return 1;
}
