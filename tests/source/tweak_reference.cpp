#include "source/tweak_reference.h"

#include <cctype>
#include <set>
#include <string>
#include <string_view>

#include "base/text.h"

namespace lh::reference {
namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

bool end_line(const std::string& line) {
  size_t i = 0;
  while (i < line.size() && blank(line[i])) ++i;
  if (to_lower(line.substr(i, 12)) != "endprocedure") return false;
  i += 12;
  while (i < line.size() && blank(line[i])) ++i;
  return i == line.size() || line[i] == ';';
}

bool documentation_line(const std::string& line) {
  return std::string(strip_leading_spaces(line)).substr(0, 3) == ";//";
}

// Position of the first header named `name`, or -1.
std::ptrdiff_t find_header(const SourceLines& s, const std::string& name) {
  for (size_t i = 0; i < s.lines.size(); ++i) {
    ExportHeader h;
    if (parse_export_header(s.lines[i], &h) && h.name == name) return std::ptrdiff_t(i);
  }
  return -1;
}

std::ptrdiff_t find_end(const SourceLines& s, std::ptrdiff_t header) {
  for (size_t i = size_t(header) + 1; i < s.lines.size(); ++i)
    if (end_line(s.lines[i])) return std::ptrdiff_t(i);
  return -1;
}

std::vector<std::string> body(const SourceLines& s, std::ptrdiff_t h, std::ptrdiff_t e) {
  std::vector<std::string> out;
  for (std::ptrdiff_t i = h + 1; i <= e; ++i)
    if (!documentation_line(s.lines[size_t(i)])) out.push_back(s.lines[size_t(i)]);
  return out;
}

// Scans one line left to right for name + "(" and rewrites each occurrence
// whose preceding character is one of `before` (or that starts the line).
void rewrite(std::string& line, const std::string& name, const std::string& with, const std::string& before) {
  std::string pattern = name + "(";
  size_t at = 0;
  while ((at = line.find(pattern, at)) != std::string::npos) {
    if (at == 0 || before.find(line[at - 1]) != std::string::npos) {
      line.replace(at, pattern.size(), with + "(");
      at += with.size() + 1;
    } else {
      at += pattern.size();
    }
  }
}

// Letters, digits, "_", "\", ".", "@", "#", "$" and bytes from 128 up: after one of
// them name + "(" is part of something else (MySum(, a\Sum(, @Sum(), no call.
bool can_end_name(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || std::string_view("_\\.@#$").find(c) != std::string_view::npos ||
         static_cast<unsigned char>(c) >= 128;
}

// The arguments of the call whose "(" stands at `open`: walk to the matching
// ")" keeping a stack of the closers still owed, step over strings, count
// the commas owed to the call's own ")". -1 when the line ends first or a
// closer does not match.
int arguments(const std::string& line, size_t open) {
  std::string owed = ")";
  int commas = 0;
  bool blank_only = true;
  for (size_t i = open + 1; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"' || (c == '~' && i + 1 < line.size() && line[i + 1] == '"')) {
      blank_only = false;
      bool escapes = c == '~';
      i += escapes ? 2 : 1;
      while (i < line.size() && line[i] != '"') {
        if (escapes && line[i] == '\\') ++i;
        ++i;
      }
      if (i >= line.size()) return -1;
      continue;
    }
    if (c == ')' || c == ']') {
      if (c != owed.back()) return -1;
      owed.pop_back();
      if (owed.empty()) return blank_only ? 0 : commas + 1;
      continue;
    }
    if (c != ' ' && c != '\t') blank_only = false;
    if (c == '(') owed += ')';
    if (c == '[') owed += ']';
    if (c == ',' && owed.size() == 1) ++commas;
  }
  return -1;
}

// Every call of `name` that passes A arguments goes to variant A - l + 1
// when 1 <= A - l + 1 <= v; variant 1 keeps the name.
void redirect_to_full_variant(SourceLines& s, const std::string& name, int l, int v) {
  std::string pattern = name + "(";
  for (std::string& line : s.lines) {
    if (std::string(strip_leading_spaces(line)).substr(0, 12) == "ProcedureDll") continue;
    const std::string original = line;
    std::string out;
    size_t copied = 0;
    for (size_t at = original.find(pattern); at != std::string::npos;
         at = original.find(pattern, at + pattern.size())) {
      if (at > 0 && can_end_name(original[at - 1])) continue;
      int k = arguments(original, at + name.size()) - l + 1;
      if (k < 2 || k > v) continue;
      out += original.substr(copied, at + name.size() - copied) + std::to_string(k);
      copied = at + name.size();
    }
    line = out + original.substr(copied);
  }
}

std::string joined(const ParameterList& p, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) out += (i ? "," : "") + p[i].name;
  return out;
}

}  // namespace

void add_internal_copies(SourceLines& s, const ProcedureTable& table) {
  std::set<std::string> done;
  for (const ProcedureRecord& r : table.records) {
    if (!is_string_procedure(r) || r.name.empty() || done.count(r.name)) continue;
    std::ptrdiff_t h = find_header(s, r.name);
    if (h < 0) continue;
    std::ptrdiff_t e = find_end(s, h);
    if (e < 0) continue;
    std::vector<std::string> lines = body(s, h, e);
    s.current = h - 1;
    insert_line(s, "Procedure" + r.return_suffix + " " + r.name + "_internal(" + r.parameters + ")");
    for (const std::string& line : lines) insert_line(s, line);
    insert_line(s, "");
    done.insert(r.name);
  }
}

void expand_optional_parameters(SourceLines& s, const ProcedureTable& table) {
  std::set<std::string> done;
  for (const ProcedureRecord& r : table.records) {
    if (r.kind != EntryKind::kExportedProcedure || r.name.empty() || r.parameters.find('=') == std::string::npos ||
        done.count(r.name))
      continue;
    ParameterList p;
    int n = split_parameters(r.parameters, p);
    int o = 0;
    for (const ParameterEntry& e : p) o += e.optional;
    if (o == 0) continue;
    std::ptrdiff_t h = find_header(s, r.name);
    if (h < 0) continue;
    std::ptrdiff_t e = find_end(s, h);
    if (e < 0) continue;
    std::vector<std::string> lines = body(s, h, e);
    s.current = e;
    for (std::ptrdiff_t i = e; i >= h; --i) delete_current_line(s);
    int v = o + 1;
    insert_line(s, "Declare" + r.return_suffix + " " + r.name + std::to_string(v) + "(" + joined(p, size_t(n)) + ")");
    for (int k = 1; k <= v; ++k) {
      insert_line(s, "");
      size_t taken = 0;
      int seen = 0;
      while (taken < p.size()) {
        if (p[taken].optional) {
          ++seen;
          if (seen == k) break;
        }
        ++taken;
      }
      insert_line(s, "ProcedureDll" + r.return_suffix + " " + (k == 1 ? r.name : r.name + std::to_string(k)) + "(" +
                         joined(p, taken) + ") ; " + r.description);
      if (k < v) {
        std::string args;
        int j = 0;
        for (size_t i = 0; i < p.size(); ++i) {
          if (i) args += ",";
          if (!p[i].optional) {
            args += p[i].name;
          } else {
            ++j;
            args += j < k ? p[i].name : p[i].default_value;
          }
        }
        insert_line(s, "  ProcedureReturn " + r.name + std::to_string(v) + "(" + args + ")");
        insert_line(s, "EndProcedure");
      } else {
        for (const std::string& line : lines) insert_line(s, line);
      }
    }
    done.insert(r.name);
    redirect_to_full_variant(s, r.name, n - o, v);
  }
}

void redirect_string_calls(SourceLines& s, const ProcedureTable& table) {
  // Only procedures that have their internal copy in the source as the pass
  // finds it.
  std::vector<const ProcedureRecord*> with_copy;
  for (const ProcedureRecord& r : table.records) {
    std::string copy = "Procedure" + r.return_suffix + " " + r.name + "_internal(";
    for (const std::string& line : s.lines) {
      if (line.compare(0, copy.size(), copy) == 0) {
        with_copy.push_back(&r);
        break;
      }
    }
  }
  std::set<std::string> done;
  for (const ProcedureRecord* rp : with_copy) {
    const ProcedureRecord& r = *rp;
    if (!is_string_procedure(r) || r.name.empty() || done.count(r.name)) continue;
    done.insert(r.name);
    for (std::string& line : s.lines) {
      if (to_lower(std::string(strip_leading_spaces(line)).substr(0, 14)) == "proceduredll.s") continue;
      rewrite(line, r.name, r.name + "_internal", std::string(" \t+="));
    }
  }
}

}  // namespace lh::reference
