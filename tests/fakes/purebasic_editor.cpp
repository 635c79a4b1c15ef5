// Stand-in for the PureBasic editor: logs its start and ends at once. With
// LH_FAKE_REGISTER set (Windows) it first names its own folder in the .pb
// association, as the real editor does while it runs.
#include "fake_common.h"

int main(int argc, char** argv) {
  fake::log_start("purebasic", argc, argv);
#ifdef _WIN32
  if (std::getenv("LH_FAKE_REGISTER")) {
    std::string value = "\"";
    value += fake::own_path();
    value += "\",1";
    HKEY key;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, "PureBasic.exe\\DefaultIcon", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
      RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
      RegCloseKey(key);
    }
  }
#endif
  return 0;
}
