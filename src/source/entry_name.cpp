#include "source/entry_name.h"

#include "base/text.h"

namespace lh {

namespace {

// Windows reads "COM" and "LPT" followed by a superscript digit (the
// code-page bytes of the superscripts 1, 2 and 3) as device names too.
bool is_device_digit(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (c >= '1' && c <= '9') || b == 0xB9 || b == 0xB2 || b == 0xB3;
}

bool is_device_name(std::string_view name) {
  // The part before the first "." with its trailing spaces removed is what
  // Windows compares.
  name = strip_trailing_spaces(name.substr(0, name.find('.')));
  if (name.size() == 3)
    return equals_ignoring_case(name, "con") || equals_ignoring_case(name, "prn") ||
           equals_ignoring_case(name, "aux") || equals_ignoring_case(name, "nul");
  if (name.size() == 4 && is_device_digit(name[3]))
    return equals_ignoring_case(name.substr(0, 3), "com") || equals_ignoring_case(name.substr(0, 3), "lpt");
  return false;
}

}  // namespace

bool is_safe_entry_name(std::string_view name) {
  if (name == "." || name == "..") return false;
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 32) return false;
    switch (c) {
      case '/':
      case '\\':
      case ':':
      case '*':
      case '?':
      case '"':
      case '<':
      case '>':
      case '|':
        return false;
      default:
        break;
    }
  }
  return !is_device_name(name);
}

}  // namespace lh
