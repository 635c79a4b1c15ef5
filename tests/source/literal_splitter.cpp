#include "literal_splitter.h"

#include "base/text.h"
#include "platform/files.h"

namespace lh::testing {

namespace {

// Opens or creates the file, writes `line` and CR LF at its end, closes it.
// Nothing is written when the file cannot be opened.
void append_line(const std::string& path, const std::string& line) { platform::append_file(path, line + "\r\n"); }

// The line reader written byte by byte.
std::vector<std::string> read_lines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string line;
  bool open = false;  // characters since the last line end
  for (size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '\r' || c == '\n' || c == '\0') {
      lines.push_back(line);
      line.clear();
      open = false;
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      line += c;
      open = true;
    }
  }
  if (open) lines.push_back(line);
  return lines;
}

// Windows opens a device for these names, alone or before a "." (with
// spaces before it), whatever the letter case: Con, Prn, Aux, Nul, and Com
// or Lpt followed by a digit 1 to 9 or a superscript one, two or three.
bool is_device_name(const std::string& stem) {
  std::string base = to_lower(stem.substr(0, stem.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  if (base == "con" || base == "prn" || base == "aux" || base == "nul") return true;
  if (base.size() != 4 || (base.compare(0, 3, "com") != 0 && base.compare(0, 3, "lpt") != 0)) return false;
  unsigned char n = static_cast<unsigned char>(base[3]);
  return (n >= '1' && n <= '9') || n == 0xB9 || n == 0xB2 || n == 0xB3;
}

bool may_be_file_name(const std::string& stem) {
  if (stem == "." || stem == ".." || is_device_name(stem)) return false;
  for (unsigned char c : stem)
    if (c < 32 || std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos) return false;
  return true;
}

std::string lower(std::string_view s) { return to_lower(s); }

std::string first_n(std::string_view s, size_t n) { return std::string(s.substr(0, std::min(n, s.size()))); }

std::string without_first(std::string_view s, size_t n) { return n >= s.size() ? "" : std::string(s.substr(n)); }

std::string ltrim(std::string s) {
  while (!s.empty() && s.front() == ' ') s.erase(0, 1);
  return s;
}

std::string rtrim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

}  // namespace

void literal_split_source(const std::string& source_path, const std::string& work_folder,
                          const std::string& library_name, ManualModel& model) {
  std::string bytes;
  if (platform::read_file(source_path, bytes)) model.lines.lines = read_lines(bytes);
  model.lines.current = static_cast<std::ptrdiff_t>(model.lines.lines.size()) - 1;

  auto put = [&](const std::string& stem, const std::string& ext, const std::string& line) {
    if (may_be_file_name(stem)) append_line(work_folder + stem + ext, line);
  };
  auto enter = [&](const std::string& group, const std::string& key) {
    ContentsRegister reg;
    load_contents_register(platform::real_file_system(), work_folder, reg);
    register_contents_entry(reg, group, key);
    write_contents_register(platform::real_file_system(), work_folder, reg);
  };

  std::string current, code, description;
  bool example = false;
  for (const std::string& L : model.lines.lines) {
    std::string LT = ltrim(L);
    std::string T = rtrim(LT);

    if (first_n(LT, 16) == "#LIBRARY_VERSION") {
      std::string v;
      size_t a = L.find('=');
      if (a != std::string::npos) {
        size_t b = L.find('=', a + 1);
        v = L.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
      }
      std::string version;
      for (char c : v)
        if (c != '"') version += c;
      model.library_version = version;
      platform::write_file(work_folder + library_name + ".ver", library_name + "\r\n" + version + "\r\n");
    }
    if (first_n(LT, 3) == ";->") {
      std::string R = without_first(T, 3);
      description = R.substr(0, R.find(' '));
      put(description, ".txt", without_first(R, description.size() + 1));
      if (!find_procedure(model.table, model.cursor, description)) {
        append_record(model.table, model.cursor, {EntryKind::kTextOnly, "", description, "", ""});
        current = "";
      }
    }
    if (first_n(LT, 4) == ";{//") {
      current = first_n(without_first(T, 4), 1000);
      append_record(model.table, model.cursor, {EntryKind::kPage, "", current, "", ""});
      enter(description, current);
    }
    if (lower(first_n(LT, 12)) == "proceduredll") {
      model.exported_count++;
      ExportHeader h;
      parse_export_header(L, &h);
      append_record(model.table, model.cursor,
                    {EntryKind::kExportedProcedure, h.return_suffix, h.name, h.parameters, h.description});
      current = h.name;
      code = h.name;
      enter(description, h.name);
    }
    if (!code.empty() && first_n(LT, 3) != ";//") put(code, ".cod", L);
    if (lower(T) == "endprocedure") code = "";
    if (first_n(LT, 3) == ";//") put(current, ".txt", L);
    std::string Lr = rtrim(L);
    if (Lr.size() >= 11 && lower(Lr.substr(Lr.size() - 11)) == ";//resident") put("Resident", ".pb", L);
    std::string target = current.empty() ? description : current;
    if (example) {
      if (T == ";}") {
        example = false;
      } else {
        std::string E = L;
        size_t semi = E.find(';');
        if (semi != std::string::npos) E.erase(semi, 1);
        if (!E.empty() && E[0] == ' ') E.erase(0, 1);
        put(target, ".ex", E);
      }
    }
    if (first_n(LT, 4) == ";{/*") {
      example = true;
      std::string X = without_first(T, 4);
      size_t sp = X.find(' ');
      if (sp != std::string::npos) X = X.substr(sp);
      put(target, ".exd", ltrim(first_n(X, 1000)));
    }
    if (lower(first_n(LT, 10)) == ";/nosource" && may_be_file_name(current))
      platform::delete_file(work_folder + current + ".cod");
  }
}

}  // namespace lh::testing
