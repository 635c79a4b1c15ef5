// The program's one window (Windows only): the library source and include
// folder the user picks, the tools found at start-up, and COMPILE.
#pragma once

#include <functional>
#include <string>

#include "pipeline/app_state.h"

namespace lh {

struct MainWindowHooks {
  std::function<void()> build;                                   // runs the whole build once
  std::function<std::string()> registry_lookup;                  // fresh PureBasic folder lookup
  std::function<std::string(const std::string&)> tailbite_path;  // from a PureBasic folder
  // Called on the loop's thread each time before it waits for the next
  // event, the first time before any event: a test looks at the window
  // there, between events, and posts the next one. May be empty.
  std::function<void()> before_wait;
};

// Opens the window and runs its event loop until COMPILE has run the build
// or the window is closed. Returns true when the build ran. The window is
// left on screen: it goes away when the process ends.
bool run_main_window(AppState& state, const MainWindowHooks& hooks);

// While COMPILE's build waits for another run: `text` shown on the COMPILE
// button, painted at once.
void show_build_wait(const std::string& text);

// Handles the window's waiting messages; true once the user has closed the
// window, which cancels the build that waits. Other clicks are ignored.
bool build_wait_cancelled();

}  // namespace lh
