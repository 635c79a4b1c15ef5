// A key of HKEY_CLASSES_ROOT kept as it was across a test: its whole tree is
// copied aside when the guard is made, and put back exactly when it goes
// (removed when it was not there before). Tests change association keys only
// through such a guard, so a machine's own associations survive them.
#pragma once

#include <windows.h>

#include <string>

namespace lh::test {

class SavedRegistryKey {
 public:
  explicit SavedRegistryKey(std::string name) : name_(std::move(name)) {
    backup_ = "Software\\LibHammer test backups\\" + std::to_string(GetCurrentProcessId()) + "\\" + name_;
    HKEY key;
    existed_ = RegOpenKeyExA(HKEY_CLASSES_ROOT, name_.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (!existed_) return;
    HKEY copy;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, backup_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &copy, nullptr) ==
        ERROR_SUCCESS) {
      RegCopyTreeA(key, nullptr, copy);
      RegCloseKey(copy);
    }
    RegCloseKey(key);
  }

  ~SavedRegistryKey() {
    remove();
    if (existed_) {
      HKEY copy, key;
      if (RegOpenKeyExA(HKEY_CURRENT_USER, backup_.c_str(), 0, KEY_READ, &copy) == ERROR_SUCCESS) {
        if (RegCreateKeyExA(HKEY_CLASSES_ROOT, name_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
            ERROR_SUCCESS) {
          RegCopyTreeA(copy, nullptr, key);
          RegCloseKey(key);
        }
        RegCloseKey(copy);
      }
    }
    // This guard's copy, then the folders above it once no other guard's
    // copy is left in them (deleting a key with subkeys fails).
    RegDeleteTreeA(HKEY_CURRENT_USER, backup_.c_str());
    const std::string ours = "Software\\LibHammer test backups\\" + std::to_string(GetCurrentProcessId());
    RegDeleteKeyA(HKEY_CURRENT_USER, ours.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\LibHammer test backups");
  }

  SavedRegistryKey(const SavedRegistryKey&) = delete;
  SavedRegistryKey& operator=(const SavedRegistryKey&) = delete;

  // Removes the key with everything below it; the guard puts it back.
  void remove() const { RegDeleteTreeA(HKEY_CLASSES_ROOT, name_.c_str()); }

 private:
  std::string name_;
  std::string backup_;
  bool existed_ = false;
};

}  // namespace lh::test
