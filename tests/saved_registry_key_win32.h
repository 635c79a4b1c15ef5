// A key of HKEY_CLASSES_ROOT kept as it was across a test: its whole tree is
// copied aside when the guard is made, and put back exactly when it goes
// (removed when it was not there before). Tests change association keys only
// through such a guard, so a machine's own associations survive them. A key
// that cannot be copied aside stops the test program before anything is
// changed, so no key can be lost.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
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
    DWORD disposition = 0;
    bool backed_up = false;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, backup_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &copy,
                        &disposition) == ERROR_SUCCESS) {
      // Only a copy of our own making: a key already at that place is left alone.
      backed_up = disposition == REG_CREATED_NEW_KEY && RegCopyTreeA(key, nullptr, copy) == ERROR_SUCCESS;
      RegCloseKey(copy);
    }
    RegCloseKey(key);
    if (!backed_up) {
      std::fprintf(stderr, "HKEY_CLASSES_ROOT\\%s could not be copied aside: the test stops before changing it\n",
                   name_.c_str());
      std::abort();
    }
  }

  ~SavedRegistryKey() {
    remove();
    if (!existed_) return;
    HKEY copy, key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, backup_.c_str(), 0, KEY_READ, &copy) == ERROR_SUCCESS) {
      if (RegCreateKeyExA(HKEY_CLASSES_ROOT, name_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
          ERROR_SUCCESS) {
        RegCopyTreeA(copy, nullptr, key);
        RegCloseKey(key);
      }
      RegCloseKey(copy);
    }
    // The copy this guard made, then the folders above it once no other
    // guard's copy is left in them (deleting a key with subkeys fails).
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
