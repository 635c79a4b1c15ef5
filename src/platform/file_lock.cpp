#include "platform/file_lock.h"

#include <chrono>
#include <thread>

#include "platform/files.h"

namespace lh::platform {

unsigned long lock_holder(const std::string& path) {
  std::string text;
  if (!read_file(path, text)) return 0;
  unsigned long pid = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    pid = pid * 10 + static_cast<unsigned long>(c - '0');
  }
  return pid;
}

std::unique_ptr<FileLock> wait_for_lock(const std::string& path, const std::function<void(unsigned long)>& waiting,
                                        const std::function<bool()>& should_stop, std::string* error) {
  bool told = false;
  for (;;) {
    std::string reason;
    if (auto lock = try_lock_file(path, &reason)) return lock;
    if (!reason.empty()) {
      if (error) *error = reason;
      return nullptr;
    }
    if (!told) {
      told = true;
      if (waiting) waiting(lock_holder(path));
    }
    if (should_stop && should_stop()) return nullptr;
    // The holder's run takes seconds to minutes: a tenth of a second between
    // tries costs nothing and keeps the waiting run from spinning.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

}  // namespace lh::platform
