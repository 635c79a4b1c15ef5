#include "source/contents_register.h"

#include "base/text.h"
#include "source/line_reader.h"

namespace lh {

namespace {

const char kHex[] = "0123456789ABCDEF";

// Names that the plain form could not give back: "=" ends a key, "]" ends a
// group, a line end or NUL ends the line.
bool needs_escape(std::string_view name) {
  for (char c : name)
    if (c == '=' || c == ']' || c == '\r' || c == '\n' || c == '\0') return true;
  return false;
}

void put_name(std::string& out, std::string_view name) {
  if (!needs_escape(name)) {
    out += name;
    return;
  }
  out += '=';
  for (char c : name) {
    auto b = static_cast<unsigned char>(c);
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Decodes the hex that follows "=" in an escaped name; false when `hex` is
// not an even run of hex digits (then the text is taken as written).
bool decode_hex(std::string_view hex, std::string& out) {
  if (hex.size() % 2 != 0) return false;
  out.clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    int hi = hex_digit(hex[i]), lo = hex_digit(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi * 16 + lo);
  }
  return true;
}

std::string_view drop_one_trailing_space(std::string_view s) {
  return !s.empty() && s.back() == ' ' ? s.substr(0, s.size() - 1) : s;
}

std::string_view drop_one_leading_space(std::string_view s) { return !s.empty() && s.front() == ' ' ? s.substr(1) : s; }

ContentsGroup& select_group(ContentsRegister& reg, std::string_view name) {
  std::string folded = to_lower(name);
  auto it = reg.group_index.find(folded);
  if (it != reg.group_index.end()) return reg.groups[it->second];
  reg.group_index.emplace(std::move(folded), reg.groups.size());
  reg.groups.push_back(ContentsGroup{std::string(name), {}, {}});
  return reg.groups.back();
}

void set_key(ContentsGroup& group, std::string_view key, std::string_view value) {
  std::string folded = to_lower(key);
  auto it = group.index.find(folded);
  if (it != group.index.end()) {
    ContentsKey& k = group.keys[it->second];
    k.name = std::string(key);
    k.value = std::string(value);
    return;
  }
  group.index.emplace(std::move(folded), group.keys.size());
  group.keys.push_back(ContentsKey{std::string(key), std::string(value), false});
}

const ContentsGroup* find_group(const ContentsRegister& reg, std::string_view name) {
  auto it = reg.group_index.find(to_lower(name));
  return it == reg.group_index.end() ? nullptr : &reg.groups[it->second];
}

std::vector<std::string> key_names(const ContentsGroup& group) {
  std::vector<std::string> out;
  out.reserve(group.keys.size());
  for (const ContentsKey& k : group.keys)
    if (!k.raw_line) out.push_back(k.name);
  return out;
}

}  // namespace

void register_contents_entry(ContentsRegister& reg, std::string_view group, std::string_view key) {
  set_key(select_group(reg, group), key, "1");
  reg.changed = true;
}

std::string format_contents_register(const ContentsRegister& reg) {
  std::string out;
  auto put_keys = [&out](const ContentsGroup& g) {
    for (const ContentsKey& k : g.keys) {
      if (k.raw_line) {
        out += k.name;
      } else {
        put_name(out, k.name);
        out += " = ";
        out += k.value;
      }
      out += "\r\n";
    }
  };
  put_keys(reg.groups[0]);
  for (size_t i = 1; i < reg.groups.size(); ++i) {
    out += '[';
    put_name(out, reg.groups[i].name);
    out += "]\r\n";
    put_keys(reg.groups[i]);
  }
  return out;
}

ContentsRegister parse_contents_register(std::string_view text) {
  ContentsRegister reg;
  ContentsGroup* group = &reg.groups[0];
  std::string decoded;
  for (const std::string& line : split_lines(text)) {
    std::string_view l = line;
    if (l.empty()) continue;
    if (l.size() >= 2 && l.front() == '[' && l.back() == ']') {
      std::string_view name = l.substr(1, l.size() - 2);
      if (!name.empty() && name[0] == '=' && decode_hex(name.substr(1), decoded)) name = decoded;
      group = &select_group(reg, name);
      continue;
    }
    size_t eq = l.find('=');
    if (eq == std::string_view::npos) {
      // Not a key: kept in its place so a brought file loses nothing.
      group->keys.push_back(ContentsKey{line, "", true});
      continue;
    }
    std::string_view key = drop_one_trailing_space(l.substr(0, eq));
    std::string_view rest = l.substr(eq + 1);
    if (eq == 0) {
      size_t eq2 = rest.find('=');
      if (eq2 != std::string_view::npos && decode_hex(drop_one_trailing_space(rest.substr(0, eq2)), decoded)) {
        key = decoded;
        rest = rest.substr(eq2 + 1);
      }
    }
    set_key(*group, key, drop_one_leading_space(rest));
  }
  return reg;
}

std::string contents_register_path(const std::string& work_folder) { return work_folder + "chm.ini"; }

bool load_contents_register(platform::FileSystem& fs, const std::string& work_folder, ContentsRegister& reg) {
  std::string text;
  if (!fs.read_file(contents_register_path(work_folder), text)) {
    reg = ContentsRegister{};
    return false;
  }
  reg = parse_contents_register(text);
  return true;
}

bool write_contents_register(platform::FileSystem& fs, const std::string& work_folder, ContentsRegister& reg) {
  reg.changed = false;
  return fs.write_file(contents_register_path(work_folder), format_contents_register(reg));
}

std::vector<std::string> contents_top_level_keys(const ContentsRegister& reg) { return key_names(reg.groups[0]); }

std::vector<std::string> contents_groups(const ContentsRegister& reg) {
  std::vector<std::string> out;
  for (size_t i = 1; i < reg.groups.size(); ++i) out.push_back(reg.groups[i].name);
  return out;
}

std::vector<std::string> contents_group_keys(const ContentsRegister& reg, std::string_view group) {
  const ContentsGroup* g = find_group(reg, group);
  return g ? key_names(*g) : std::vector<std::string>{};
}

ContentsRegister read_contents_register(platform::FileSystem& fs, const std::string& work_folder) {
  ContentsRegister reg;
  load_contents_register(fs, work_folder, reg);
  return reg;
}

}  // namespace lh
