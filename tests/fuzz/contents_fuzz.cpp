// The contents register. Group and key names from the input are
// registered, written and read back: every name comes back unchanged, in
// its place. The input read as a brought "chm.ini" is kept through a
// write and a second reading, lines that are no keys included.
#include <map>

#include "base/text.h"
#include "fuzz_check.h"
#include "source/contents_register.h"

namespace {

struct Reading {
  std::vector<std::string> top, groups;
  std::vector<std::vector<std::string>> keys;
  bool operator==(const Reading&) const = default;
};

Reading read_all(const lh::ContentsRegister& reg) {
  Reading r{lh::contents_top_level_keys(reg), lh::contents_groups(reg), {}};
  for (const std::string& g : r.groups) r.keys.push_back(lh::contents_group_keys(reg, g));
  return r;
}

bool holds(const std::vector<std::string>& names, const std::string& name) {
  for (const std::string& n : names)
    if (n == name) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);

  // Registrations: group, key, group, key... separated by byte 1.
  lh::fuzz::Input in(data, size);
  lh::ContentsRegister reg;
  std::map<std::pair<std::string, std::string>, std::string> last;  // folded names -> last spelling
  std::map<std::string, std::string> group_spelling;                // folded -> first spelling
  while (!in.empty()) {
    std::string group(in.part('\x01')), key(in.part('\x01'));
    lh::register_contents_entry(reg, group, key);
    group_spelling.emplace(lh::to_lower(group), group);
    last[{lh::to_lower(group), lh::to_lower(key)}] = key;
  }
  lh::ContentsRegister back = lh::parse_contents_register(lh::format_contents_register(reg));
  LH_FUZZ_CHECK(read_all(back) == read_all(reg), "the register reads back differently");
  for (const auto& [names, key] : last) {
    const std::string& group = group_spelling[names.first];
    LH_FUZZ_CHECK(holds(lh::contents_group_keys(back, group), key), "a registered name did not come back");
  }

  // The input as a brought file: one reading and rewrite keeps it stable.
  lh::ContentsRegister brought = lh::parse_contents_register(text);
  std::string once = lh::format_contents_register(brought);
  lh::ContentsRegister again = lh::parse_contents_register(once);
  LH_FUZZ_CHECK(read_all(again) == read_all(brought), "a brought register reads back differently");
  LH_FUZZ_CHECK(lh::format_contents_register(again) == once, "a second rewrite changes the file");
  return 0;
}
