// Lays out a stand-in PureBasic installation for tests:
//   DIR/compilers/pbcompiler[.exe]   (also reachable as "Compilers" on Windows)
//   DIR/TailBite/TailBite[.exe]
//   DIR/purebasic[.exe]              the editor
//   DIR/PureLibraries/UserLibraries/, DIR/Residents/, DIR/help/
// DIR must end in its separator. Returns false when a copy failed.
#pragma once

#include <string>

#include "platform/files.h"

#ifndef LH_FAKES_DIR
#error "LH_FAKES_DIR names the folder of the built stand-ins"
#endif

namespace lh::fakes {

inline std::string exe(const std::string& name) {
#ifdef _WIN32
  return name + ".exe";
#else
  return name;
#endif
}

// Full path of a built stand-in: "echo_program", "pbcompiler", "TailBite",
// "purebasic".
inline std::string fake_program(const std::string& name) {
  return std::string(LH_FAKES_DIR) + platform::separator() + exe(name);
}

inline bool lay_out_purebasic(const std::string& dir) {
  const char s = platform::separator();
  platform::create_folder(dir);
  for (const char* sub : {"compilers", "TailBite", "PureLibraries", "Residents", "help"}) {
    platform::create_folder(dir + sub);
  }
  platform::create_folder(dir + "PureLibraries" + s + "UserLibraries");
  bool ok = true;
  auto place = [&](const std::string& name, const std::string& to) {
    ok = platform::copy_file(fake_program(name), to) && platform::make_executable(to) && ok;
  };
  place("pbcompiler", dir + "compilers" + s + exe("pbcompiler"));
  place("TailBite", dir + "TailBite" + s + exe("TailBite"));
  place("purebasic", dir + exe("purebasic"));
  return ok;
}

}  // namespace lh::fakes
