// Standard output of a window program started from a console or a pipe.
#pragma once

namespace lh::platform {

// The Windows program is built for the window subsystem, so a console that
// starts it does not show what it prints. When standard output or standard
// error has no valid handle, this attaches the process to its parent's
// console (when there is one) and sends the stream there. Handles that are
// already valid, such as a pipe or a file the caller redirected to, are kept.
// Nothing to do on other systems.
void attach_parent_console();

}  // namespace lh::platform
