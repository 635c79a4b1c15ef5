// The program's one window (Windows only): the library source and include
// folder the user picks, the tools found at start-up, and COMPILE. While the
// run that COMPILE starts goes on, the window stays alive: it shows the
// step running and offers Cancel.
#pragma once

#include <functional>
#include <string>

#include "pipeline/app_state.h"

namespace lh {

class Cancellation;
class Reporter;

struct MainWindowHooks {
  // The whole run COMPILE starts (the build, the settings, packaging and
  // what is told at its end). It runs on a second thread while the window's
  // thread serves the window; everything it tells, asks or reports as
  // progress goes through `reporter`, which shows it from the window's
  // thread, owned by the window, and returns once it is shown or answered.
  // `cancel` is requested by Cancel or by the close box (after a question).
  std::function<void(Reporter& reporter, const Cancellation& cancel)> build;
  std::function<std::string()> registry_lookup;                  // fresh PureBasic folder lookup
  std::function<std::string(const std::string&)> tailbite_path;  // from a PureBasic folder
  // Called on the loop's thread each time before it waits for the next
  // event, the first time before any event: a test looks at the window
  // there, between events, and posts the next one. May be empty.
  std::function<void()> before_wait;
};

// Opens the window and runs its event loop until the window is closed
// without a build, or until the run COMPILE started has ended. Returns true
// when a run took place. The window is left on screen: it goes away when
// the process ends.
bool run_main_window(AppState& state, const MainWindowHooks& hooks);

}  // namespace lh
