// One program run at a time over a shared place: an exclusive lock on a
// file, held as long as the FileLock lives. The system drops it when the
// process ends in any way, so a run that was killed never blocks a later
// one. POSIX: flock on the file; Windows: the file opened without write
// sharing. The holder writes its process id into the file, so a waiting
// run can say whom it waits for.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace lh::platform {

class FileLock {
 public:
  virtual ~FileLock() = default;
};

// The lock, or null when another process holds it (or the file cannot be
// created: then `error`, when given, receives the reason).
std::unique_ptr<FileLock> try_lock_file(const std::string& path, std::string* error = nullptr);

// The process id the holder wrote into the lock file; 0 when unknown.
unsigned long lock_holder(const std::string& path);

// Waits until the lock is ours. `waiting` is called once, with the holder's
// process id (0: unknown), when the lock is taken by another run;
// `should_stop` is asked between tries (it may be empty): true gives up and
// returns null. A lock file that cannot be created at all gives null at
// once, with the reason in `error`.
std::unique_ptr<FileLock> wait_for_lock(const std::string& path, const std::function<void(unsigned long)>& waiting,
                                        const std::function<bool()>& should_stop, std::string* error = nullptr);

}  // namespace lh::platform
