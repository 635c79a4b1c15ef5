// The one channel from the program's parts to the user. Whoever runs a part
// hands it a Reporter: message boxes owned by the window, lines on standard
// error headless, a recording one in tests. Nothing in the program talks to
// the user any other way.
#pragma once

#include <string>

namespace lh {

enum class MessageIcon { kError, kInformation };

// Where a run stands: `done` of `total` steps have begun (the build's steps
// plus packaging), and `line` is the progress line of the step now running,
// exactly as the headless build prints it.
struct BuildProgress {
  int done = 0;
  int total = 0;
  std::string line;
};

class Reporter {
 public:
  virtual ~Reporter() = default;

  // A message or a problem. Returns once the user has been told (a box has
  // been closed).
  virtual void tell(const std::string& caption, const std::string& text, MessageIcon icon) = 0;

  // A step has begun. Many reporters have nowhere to show it.
  virtual void progress(const BuildProgress& p) { (void)p; }

  // A yes/no question; true for yes. Returns once the user has answered.
  virtual bool ask(const std::string& caption, const std::string& text) = 0;
};

// The caption of the messages the build and packaging give.
inline constexpr const char kMessageCaption[] = "LibHammer";

// Tells `text` under that caption; a part run without a reporter (null)
// keeps its messages in its outcome only.
inline void tell(Reporter* reporter, const std::string& text, MessageIcon icon) {
  if (reporter) reporter->tell(kMessageCaption, text, icon);
}

}  // namespace lh
