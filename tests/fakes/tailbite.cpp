// Stand-in for TailBite. It lives at <PureBasic folder>/TailBite/TailBite
// and finds the PureBasic folder as its own folder's parent. "/VERS" prints
// a version line; `"SOURCE.pb" /MULT /CHM:NAME` writes the user library
// <PureBasic folder>/PureLibraries/UserLibraries/NAME when SOURCE.pb exists
// and ends with 1 otherwise. Every start is logged to LH_FAKE_LOG.
// LH_FAKE_TAILBITE_VERS=silent|endless: "/VERS" is never answered, or is
// answered without end. LH_FAKE_TAILBITE_FAIL=1: the build run prints an
// error and ends with 1 without writing the library.
// LH_FAKE_TAILBITE_HOLD=FILE: the build run first writes its process id
// into FILE.started, then waits until FILE exists (without end when it
// never does), so that a test holds TailBite running as long as it needs.
#include <cstring>

#include "fake_common.h"

int main(int argc, char** argv) {
  fake::log_start("TailBite", argc, argv);
  if (argc >= 2 && !std::strcmp(argv[1], "/VERS")) {
    fake::misbehave_on_version_query("LH_FAKE_TAILBITE_VERS", "TailBite 1.4.12 (stand-in)\r\n");
    fake::print("TailBite 1.4.12 (stand-in)\r\n");
    return 0;
  }
  std::string name;
  for (int i = 2; i < argc; ++i) {
    if (!std::strncmp(argv[i], "/CHM:", 5)) name = argv[i] + 5;
  }
  if (argc < 2 || name.empty()) {
    fake::print("TailBite stand-in: nothing to do\r\n");
    return 2;
  }
  if (const char* hold = std::getenv("LH_FAKE_TAILBITE_HOLD"); hold && *hold) {
    fake::write_all(std::string(hold) + ".started", std::to_string(fake::process_id()));
    while (!fake::file_exists(hold)) fake::sleep_ms(20);
  }
  if (const char* fail = std::getenv("LH_FAKE_TAILBITE_FAIL"); fail && !std::strcmp(fail, "1")) {
    fake::print("Error: the stand-in was told to fail\r\n");
    return 1;
  }
  std::string source;
  if (!fake::read_all(argv[1], source)) {
    fake::print(std::string("Error: source not found: ") + argv[1] + "\r\n");
    return 1;
  }
  const char sep = fake::separator();
  std::string own_folder = fake::folder_of(fake::own_path());
  std::string purebasic = fake::folder_of(own_folder.substr(0, own_folder.size() - 1));
  std::string libraries = purebasic + "PureLibraries";
  fake::make_folder(libraries);
  libraries += sep + std::string("UserLibraries");
  fake::make_folder(libraries);
  if (!fake::write_all(libraries + sep + name, "TBLIB-STAND-IN " + name + "\n" + source)) {
    fake::print("Error: cannot write the library\r\n");
    return 1;
  }
  fake::print("Library " + name + " created\r\n");
  return 0;
}
