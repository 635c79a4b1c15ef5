// Stand-in for the PureBasic compiler. "/VERSION" prints a version line
// (LH_FAKE_PB_VERSION when set); `"SOURCE" /Resident "FILE"` writes a
// resident file when SOURCE exists and ends with 1 otherwise. Every start is
// logged to LH_FAKE_LOG. LH_FAKE_PB_VERSION_MODE=silent|endless: "/VERSION"
// is never answered, or is answered without end.
#include <cstring>

#include "fake_common.h"

int main(int argc, char** argv) {
  fake::log_start("pbcompiler", argc, argv);
  if (argc >= 2 && !std::strcmp(argv[1], "/VERSION")) {
    const char* line = std::getenv("LH_FAKE_PB_VERSION");
#ifdef _WIN32
    if (!line) line = "PureBasic 6.04 LTS (Windows - x86)";
#else
    if (!line) line = "PureBasic 6.10 LTS (Linux - x64)";
#endif
    fake::misbehave_on_version_query("LH_FAKE_PB_VERSION_MODE", line);
    fake::print(std::string(line) + "\r\n");
    return 0;
  }
  if (argc >= 4 && !std::strcmp(argv[2], "/Resident")) {
    std::string source;
    if (!fake::read_all(argv[1], source)) {
      fake::print(std::string("Error: file not found: ") + argv[1] + "\r\n");
      return 1;
    }
    // A recognisable resident image: a header and the declarations it came from.
    if (!fake::write_all(argv[3], "PBRES-STAND-IN\n" + source)) {
      fake::print(std::string("Error: cannot write ") + argv[3] + "\r\n");
      return 1;
    }
    fake::print("Resident created\r\n");
    return 0;
  }
  fake::print("pbcompiler stand-in: nothing to do\r\n");
  return 2;
}
